#include "window/options_tab.h"
#include "scenario/scenario.h"
#include "scenario/unit_conversion.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace drawfield {
namespace {

    // A line of explanation under its control, indented to the control's text.
    QLabel* explanation(const QString& text, QWidget* parent)
    {
        auto* label = new QLabel(text, parent);
        label->setWordWrap(true);
        label->setContentsMargins(22, 0, 0, 6);
        return label;
    }

} // namespace

OptionsTab::OptionsTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("OptionsTab"));

    // A choice per well function, in the table's order, each with what it is and when to use it.
    auto* method = new QGroupBox(QStringLiteral("Drawdown"), this);
    auto* methodGroup = new QButtonGroup(this);
    auto* methodLayout = new QVBoxLayout(method);
    for (const WellFunction& row : wellFunctions()) {
        auto* button = new QRadioButton(QString::fromUtf8(row.label), method);
        button->setObjectName(QStringLiteral("Method_") + QString::fromUtf8(row.text));
        methodGroup->addButton(button);
        methodLayout->addWidget(button);
        methodLayout->addWidget(explanation(QString::fromUtf8(row.description), method));
        m_methods.push_back(button);
    }
    m_methods.front()->setChecked(true);

    auto* correction = new QGroupBox(QStringLiteral("Aquifer"), this);
    unconfined = new QCheckBox(QStringLiteral("Unconfined correction (Jacob)"), correction);
    unconfined->setObjectName(QStringLiteral("Unconfined"));
    auto* correctionLayout = new QVBoxLayout(correction);
    // A field per parameter the well functions declare for [aquifer], as their tables say it:
    // "label symbol (unit)", its help beneath, on while a function that takes it is chosen.
    auto text = [](std::string_view view) {
        return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    };
    for (const WellParameter* parameter : parametersOfScope(ParameterScope::Aquifer)) {
        auto* row = new QHBoxLayout;
        auto* field = new QLineEdit(correction);
        field->setObjectName(QStringLiteral("Parameter_") + text(parameter->key));
        field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 14);
        auto* label = new QLabel(correction);
        m_parameterLabels.emplace_back(parameter, label);
        label->setBuddy(field);
        row->addWidget(label);
        row->addWidget(field);
        row->addStretch();
        correctionLayout->addLayout(row);
        QStringList owners;
        for (const WellFunction& function : wellFunctions())
            for (const WellParameter& own : function.parameters)
                if (own.key == parameter->key)
                    owners << QString::fromUtf8(function.label);
        correctionLayout->addWidget(
            explanation(QStringLiteral("For %1: %2")
                            .arg(owners.join(QStringLiteral(", ")), text(parameter->help)),
                correction));
        m_parameters.emplace_back(parameter, field);
    }
    for (QRadioButton* button : m_methods)
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) {
                enableParameters();
                emit methodChanged();
            }
        });
    enableParameters();
    labelParameters();
    correctionLayout->addWidget(unconfined);
    correctionLayout->addWidget(explanation(
        QStringLiteral("For a water-table aquifer: corrects the drawdown for the aquifer "
                       "thickness b typed on Data Input, s = b − √(b² − 2 b s′). Good while the "
                       "drawdown stays well below the thickness; where it would reach half of it "
                       "the aquifer is dewatered, and the run says so."),
        correction));

    auto* mapBox = new QGroupBox(QStringLiteral("Map"), this);
    auto* mapLayout = new QGridLayout(mapBox);
    squareMap = new QCheckBox(QStringLiteral("&Square: Y maximum follows X maximum"), mapBox);
    squareMap->setObjectName(QStringLiteral("SquareMap"));
    squareMap->setChecked(true);
    yMaximum = new QLineEdit(mapBox);
    yMaximum->setObjectName(QStringLiteral("YMaximum"));
    yMaximum->setEnabled(false);
    auto* yLabel = m_yMaximumLabel = new QLabel(QStringLiteral("&Y maximum (m)"), mapBox);
    yLabel->setBuddy(yMaximum);
    mapLayout->addWidget(squareMap, 0, 0, 1, 2);
    mapLayout->addWidget(yLabel, 0, 2);
    mapLayout->addWidget(yMaximum, 0, 3);
    mapDepth = new QLineEdit(mapBox);
    mapDepth->setObjectName(QStringLiteral("MapDepth"));
    mapDepth->setPlaceholderText(QStringLiteral("the average"));
    auto* depthLabel = m_mapDepthLabel = new QLabel(QStringLiteral("Read at &depth (m)"), mapBox);
    depthLabel->setObjectName(QStringLiteral("MapDepthLabel"));
    depthLabel->setBuddy(mapDepth);
    mapLayout->addWidget(depthLabel, 1, 2);
    mapLayout->addWidget(mapDepth, 1, 3);
    mapLayout->addWidget(explanation(QStringLiteral("For the functions that read screens: the "
                                                    "map as a piezometer at that depth below "
                                                    "the aquifer's top reads it; empty, the "
                                                    "drawdown averaged over the depth."),
                             mapBox),
        2, 0, 1, 4);
    enableParameters();
    labelParameters();
    connect(squareMap, &QCheckBox::toggled, this, [this](bool square) {
        yMaximum->setEnabled(!square);
        if (!square)
            yMaximum->setFocus();
    });

    auto* place = new QGroupBox(QStringLiteral("Georeference (GIS files)"), this);
    auto* placeLayout = new QGridLayout(place);
    easting = new QLineEdit(place);
    easting->setObjectName(QStringLiteral("Easting"));
    northing = new QLineEdit(place);
    northing->setObjectName(QStringLiteral("Northing"));
    crs = new QLineEdit(place);
    crs->setObjectName(QStringLiteral("Crs"));
    crs->setPlaceholderText(QStringLiteral("EPSG:25832"));
    placeLayout->addWidget(new QLabel(QStringLiteral("Easting of X = 0 (m)"), place), 0, 0);
    placeLayout->addWidget(easting, 0, 1);
    placeLayout->addWidget(new QLabel(QStringLiteral("Northing of Y = 0 (m)"), place), 0, 2);
    placeLayout->addWidget(northing, 0, 3);
    placeLayout->addWidget(new QLabel(QStringLiteral("Coordinate system"), place), 1, 0);
    placeLayout->addWidget(crs, 1, 1);
    placeLayout->addWidget(explanation(QStringLiteral("Where the map lies in a projected "
                                                      "coordinate system, for the GeoTIFF and "
                                                      "contour files of File > Export. Left "
                                                      "empty, they carry local metres."),
                               place),
        2, 0, 1, 4);

    // The units the fields are typed in: a preset, or a selector per quantity. Choosing converts
    // the values shown; the quantities, and so the map, stay as they were.
    auto* unitsBox = new QGroupBox(QStringLiteral("Units"), this);
    auto* unitsLayout = new QGridLayout(unitsBox);
    unitPreset = new QComboBox(unitsBox);
    unitPreset->setObjectName(QStringLiteral("UnitPreset"));
    for (const UnitPreset& preset : unitPresets())
        unitPreset->addItem(QString::fromUtf8(preset.name));
    unitPreset->addItem(QStringLiteral("custom"));
    auto* presetLabel = new QLabel(QStringLiteral("&Preset"), unitsBox);
    presetLabel->setBuddy(unitPreset);
    unitsLayout->addWidget(presetLabel, 0, 0);
    unitsLayout->addWidget(unitPreset, 0, 1);
    struct Choice {
        Quantity quantity;
        const char* label;
        QStringList words;
    };
    const Choice choices[] = {
        { Quantity::Length, "Length", { "m", "ft", "ftUS" } },
        { Quantity::Transmissivity, "Transmissivity",
            { "m2/s", "m2/d", "m2/h", "cm2/s", "ft2/d", "gpd/ft" } },
        { Quantity::Storage, "Storage coefficient", { "%", "fraction" } },
        { Quantity::Time, "Time", { "h", "s", "min", "d", "week", "year" } },
        { Quantity::Rate, "Rate",
            { "m3/h", "m3/s", "m3/d", "L/s", "L/min", "gpm", "gpd", "ft3/s" } },
    };
    int row = 0;
    for (const Choice& choice : choices) {
        auto* selector = new QComboBox(unitsBox);
        selector->setObjectName(QStringLiteral("Unit_") + text(quantityName(choice.quantity)));
        selector->addItems(choice.words);
        auto* label = new QLabel(QString::fromUtf8(choice.label), unitsBox);
        label->setBuddy(selector);
        unitsLayout->addWidget(label, row / 2 + 1, (row % 2) * 2);
        unitsLayout->addWidget(selector, row / 2 + 1, (row % 2) * 2 + 1);
        ++row;
        m_unitSelectors.emplace_back(choice.quantity, selector);
        connect(selector, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_showing)
                chooseUnits(selectedUnits());
        });
    }
    connect(unitPreset, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_showing && index >= 0 && index < static_cast<int>(unitPresets().size()))
            chooseUnits(unitPresets()[static_cast<std::size_t>(index)].units);
    });
    unitsLayout->addWidget(explanation(QStringLiteral("The unit of each field's number (its label "
                                                      "says it). A value may also be typed with "
                                                      "its own unit, such as 450 m2/d: it is "
                                                      "converted into the field's unit."),
                               unitsBox),
        row / 2 + 2, 0, 1, 4);
    showUnits({});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(method);
    layout->addWidget(correction);
    layout->addWidget(mapBox);
    layout->addWidget(place);
    layout->addWidget(unitsBox);
    layout->addStretch();
}

std::string OptionsTab::yMaxText() const
{
    return squareMap->isChecked() ? std::string() : yMaximum->text().toStdString();
}

void OptionsTab::showYMax(const std::string& yMax, const QString& xMax)
{
    squareMap->setChecked(yMax.empty());
    yMaximum->setText(yMax.empty() ? xMax : QString::fromStdString(yMax));
}

void OptionsTab::followXMax(const QString& xMax)
{
    if (squareMap->isChecked())
        yMaximum->setText(xMax);
}

GeoreferenceTexts OptionsTab::georeferenceTexts() const
{
    return { easting->text().toStdString(), northing->text().toStdString(),
        crs->text().toStdString() };
}

void OptionsTab::showTexts(const ScenarioTexts& texts)
{
    methodButton(methodOfText(texts.method).value_or(WellMethod::CooperJacob))->setChecked(true);
    unconfined->setChecked(yesNoOfText(texts.unconfined).value_or(false));
    for (const auto& [parameter, field] : m_parameters) {
        const auto found = texts.aquiferParameters.find(parameter->key);
        field->setText(found == texts.aquiferParameters.end()
                ? QString()
                : QString::fromStdString(found->second));
    }
    showUnits(texts.units);
    mapDepth->setText(QString::fromStdString(texts.mapDepth));
    easting->setText(QString::fromStdString(texts.georeference.easting));
    northing->setText(QString::fromStdString(texts.georeference.northing));
    crs->setText(QString::fromStdString(texts.georeference.crs));
}

QRadioButton* OptionsTab::methodButton(WellMethod method) const
{
    return m_methods.at(static_cast<std::size_t>(method));
}

QString OptionsTab::methodText() const
{
    for (const WellFunction& row : wellFunctions())
        if (methodButton(row.method)->isChecked())
            return QString::fromUtf8(row.text);
    return QString::fromUtf8(wellFunctions().front().text);
}

ParameterTexts OptionsTab::parameterTexts() const
{
    ParameterTexts texts;
    for (const auto& [parameter, field] : m_parameters)
        if (!field->text().isEmpty())
            texts[std::string(parameter->key)] = field->text().toStdString();
    return texts;
}

QLineEdit* OptionsTab::parameterField(std::string_view key) const
{
    for (const auto& [parameter, field] : m_parameters)
        if (parameter->key == key)
            return field;
    return nullptr;
}

void OptionsTab::enableParameters()
{
    const WellFunction& chosen = wellFunctionRow(
        methodOfText(methodText().toStdString()).value_or(WellMethod::CooperJacob));
    if (mapDepth != nullptr)
        mapDepth->setEnabled(std::any_of(chosen.parameters.begin(), chosen.parameters.end(),
            [](const WellParameter& own) { return own.scope == ParameterScope::Observation; }));
    for (const auto& [parameter, field] : m_parameters) {
        const std::string_view key = parameter->key;
        field->setEnabled(std::any_of(chosen.parameters.begin(), chosen.parameters.end(),
            [key](const WellParameter& own) { return own.key == key; }));
    }
}

QString OptionsTab::unconfinedText() const
{
    return unconfined->isChecked() ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace drawfield

namespace drawfield {

QComboBox* OptionsTab::unitSelector(Quantity quantity) const
{
    for (const auto& [own, selector] : m_unitSelectors)
        if (own == quantity)
            return selector;
    return nullptr;
}

UnitTexts OptionsTab::selectedUnits() const
{
    UnitTexts units;
    for (const auto& [quantity, selector] : m_unitSelectors) {
        const std::string word = selector->currentText().toStdString();
        switch (quantity) {
        case Quantity::Length:
            units.length = word;
            break;
        case Quantity::Transmissivity:
            units.transmissivity = word;
            break;
        case Quantity::Storage:
            units.storage = word;
            break;
        case Quantity::Time:
            units.time = word;
            break;
        case Quantity::Rate:
            units.rate = word;
            break;
        case Quantity::Ratio:
            break;
        }
    }
    // The program's own units, chosen one by one, are the preset: no [units] section.
    return units == UnitTexts { "m", "m2/s", "%", "h", "m3/h" } ? UnitTexts {} : units;
}

void OptionsTab::showUnits(const UnitTexts& units)
{
    m_showing = true;
    m_units = units;
    for (const auto& [quantity, selector] : m_unitSelectors) {
        const QString word = QString::fromStdString(std::string(defaultUnitWord(units, quantity)));
        if (selector->findText(word) < 0)
            selector->addItem(word); // a word of a file that the list does not hold
        selector->setCurrentText(word);
    }
    int preset = static_cast<int>(unitPresets().size()); // custom
    for (std::size_t i = 0; i < unitPresets().size(); ++i)
        if (unitPresets()[i].units == units)
            preset = static_cast<int>(i);
    unitPreset->setCurrentIndex(preset);
    labelParameters();
    m_showing = false;
}

void OptionsTab::chooseUnits(const UnitTexts& units)
{
    if (units == m_units)
        return;
    const UnitTexts from = m_units;
    showUnits(units);
    emit unitsChanged(from);
}

void OptionsTab::labelParameters()
{
    auto text = [](std::string_view view) {
        return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    };
    if (m_yMaximumLabel != nullptr) {
        const QString length = text(defaultUnitWord(m_units, Quantity::Length));
        m_yMaximumLabel->setText(QStringLiteral("&Y maximum (%1)").arg(length));
        m_mapDepthLabel->setText(QStringLiteral("Read at &depth (%1)").arg(length));
    }
    for (const auto& [parameter, label] : m_parameterLabels) {
        const std::string_view unit = unitText(m_units, parameter->quantity).empty()
            ? parameter->unit
            : defaultUnitWord(m_units, parameter->quantity);
        label->setText(unit.empty()
                ? QStringLiteral("%1 %2").arg(text(parameter->label), text(parameter->symbol))
                : QStringLiteral("%1 %2 (%3)")
                      .arg(text(parameter->label), text(parameter->symbol), text(unit)));
    }
}

} // namespace drawfield
