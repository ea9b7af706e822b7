#include "window/options_tab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

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
    auto* leakage = new QHBoxLayout;
    leakageFactor = new QLineEdit(correction);
    leakageFactor->setObjectName(QStringLiteral("LeakageFactor"));
    leakageFactor->setMaximumWidth(
        leakageFactor->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 14);
    auto* leakageLabel = new QLabel(QStringLiteral("Leakage factor B (m)"), correction);
    leakageLabel->setBuddy(leakageFactor);
    leakage->addWidget(leakageLabel);
    leakage->addWidget(leakageFactor);
    leakage->addStretch();
    correctionLayout->addLayout(leakage);
    correctionLayout->addWidget(explanation(
        QStringLiteral("For Hantush: B = √(T c), c the aquitard's resistance (its thickness over "
                       "its vertical hydraulic conductivity, in s). The larger B, the less the "
                       "aquitard leaks; as B grows the drawdown tends to Theis's."),
        correction));
    auto leaky
        = [this] { leakageFactor->setEnabled(methodButton(WellMethod::Hantush)->isChecked()); };
    connect(methodButton(WellMethod::Hantush), &QRadioButton::toggled, this, leaky);
    leaky();
    correctionLayout->addWidget(unconfined);
    correctionLayout->addWidget(explanation(
        QStringLiteral("For a water-table aquifer: corrects the drawdown for the aquifer "
                       "thickness b typed on Data Input, s = b − √(b² − 2 b s′). Good while the "
                       "drawdown stays well below the thickness; where it would reach half of it "
                       "the aquifer is dewatered, and the run says so."),
        correction));

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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(method);
    layout->addWidget(correction);
    layout->addWidget(place);
    layout->addStretch();
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
    leakageFactor->setText(QString::fromStdString(texts.leakageFactor));
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

QString OptionsTab::leakageFactorText() const { return leakageFactor->text(); }

QString OptionsTab::unconfinedText() const
{
    return unconfined->isChecked() ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace drawfield
