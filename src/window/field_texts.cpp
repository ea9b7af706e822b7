#include "window/main1.h"

#include "scenario/unit_conversion.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/options_tab.h"
#include "window/pumping_test_tab.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolTip>
#include <QUndoStack>

#include <algorithm>

// The fields' texts as a scenario holds them, and a scenario's texts shown in the fields.

namespace drawfield {

ScenarioTexts main1::fieldTexts() const
{
    ScenarioTexts texts;
    texts.xMin = Text1->text().toStdString();
    texts.yMin = Text4->text().toStdString();
    texts.xMax = Text2->text().toStdString();
    texts.yMax = options->yMaxText();
    texts.mapDepth = options->mapDepth->text().toStdString();
    texts.coordinates = m_heldCoordinates;
    texts.report = m_heldReport;
    texts.pumpingStart = m_heldPumpingStart;
    texts.fit = m_heldFit;
    texts.cellSize = Combo1->currentText().toStdString();
    texts.transmissivity = Text5->text().toStdString();
    texts.storage = Text6->text().toStdString();
    texts.pumpTime = Text7->text().toStdString();
    texts.thickness = Text8->text().toStdString();
    texts.method = options->methodText().toStdString();
    texts.aquiferParameters = options->parameterTexts();
    texts.unconfined = options->unconfinedText().toStdString();
    texts.georeference = options->georeferenceTexts();
    texts.units = options->unitTexts();
    texts.bores = m_heldBores;
    texts.observations = m_heldPoints;
    for (int row = 1; row <= WellCount; ++row) {
        BoreTexts& bore = texts.bores[static_cast<std::size_t>(row - 1)];
        bore.x = Grid1->TextMatrix(row, 1).toStdString();
        bore.y = Grid1->TextMatrix(row, 2).toStdString();
        bore.rate = Grid1->TextMatrix(row, 3).toStdString();
    }
    timeBoundaries->fillTexts(texts);
    pumpingTest->fillTexts(texts); // the measured files, after the points they belong to
    return texts;
}

void main1::setFieldTexts(const ScenarioTexts& texts)
{
    moves->clear(); // the moves were of other fields
    showFieldTexts(texts);
}

void main1::showFieldTexts(const ScenarioTexts& texts)
{
    auto show = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
    };
    show(Text1, texts.xMin);
    show(Text4, texts.yMin);
    show(Text2, texts.xMax);
    Combo1->setEditText(QString::fromStdString(texts.cellSize));
    show(Text5, texts.transmissivity);
    show(Text6, texts.storage);
    show(Text7, texts.pumpTime);
    show(Text8, texts.thickness);
    options->showTexts(texts);
    options->showYMax(texts.yMax, QString::fromStdString(texts.xMax));
    m_heldCoordinates = texts.coordinates;
    m_heldReport = texts.report;
    m_heldPumpingStart = texts.pumpingStart;
    m_heldFit = texts.fit;
    m_heldBores = texts.bores;
    m_heldBores.resize(std::max<std::size_t>(m_heldBores.size(), WellCount));
    m_heldPoints = texts.observations;
    m_heldPoints.resize(std::max<std::size_t>(m_heldPoints.size(), ObservationCount));
    for (int row = 1; row <= WellCount; ++row) {
        const BoreTexts& well = texts.bores[static_cast<std::size_t>(row - 1)];
        Grid1->setTextMatrix(row, 1, QString::fromStdString(well.x));
        Grid1->setTextMatrix(row, 2, QString::fromStdString(well.y));
        Grid1->setTextMatrix(row, 3, QString::fromStdString(well.rate));
    }
    timeBoundaries->showTexts(texts);
    pumpingTest->showTexts(texts);
    showUnitLabels();
}

void main1::convertTypedUnit(QLineEdit* field, Quantity quantity)
{
    const std::string text = field->text().toStdString();
    if (splitUnit(text).unit.empty())
        return;
    const std::string label = field == Text5 ? "Transmissivity"
        : field == Text6                     ? "S Coefficient of storage"
        : field == Text7                     ? "Pumping time"
                                             : "Aquifer thickness";
    const UnitTexts units = options->unitTexts();
    const std::optional<UnitFactor> unit = defaultUnit(units, quantity);
    std::optional<std::string> converted;
    if (unit)
        converted = withoutUnitWord(text, quantity, *unit);
    if (!converted) {
        showStop(QString::fromStdString(unitProblem(text, quantity, label)));
        return;
    }
    field->setText(QString::fromStdString(*converted));
    const std::string word(quantity == Quantity::Time && unitText(units, quantity).empty()
            ? "h"
            : defaultUnitWord(units, quantity));
    const QString said = QStringLiteral("%1 is %2 %3")
                             .arg(QString::fromStdString(text), QString::fromStdString(*converted),
                                 QString::fromStdString(word));
    field->setToolTip(said);
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), said, field, {}, 4000);
}

} // namespace drawfield
