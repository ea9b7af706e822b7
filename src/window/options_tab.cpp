#include "window/options_tab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
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

    auto* method = new QGroupBox(QStringLiteral("Drawdown"), this);
    cooperJacob = new QRadioButton(QStringLiteral("Cooper-Jacob"), method);
    cooperJacob->setObjectName(QStringLiteral("MethodCooperJacob"));
    theis = new QRadioButton(QStringLiteral("Theis"), method);
    theis->setObjectName(QStringLiteral("MethodTheis"));
    cooperJacob->setChecked(true);
    auto* methods = new QButtonGroup(this);
    methods->addButton(cooperJacob);
    methods->addButton(theis);
    auto* methodLayout = new QVBoxLayout(method);
    methodLayout->addWidget(cooperJacob);
    methodLayout->addWidget(explanation(
        QStringLiteral(
            "The straight-line approximation, s = Q / (4 π T) ln(2.25 T t / (r² S)): the "
            "classic run. Close to Theis near the wells, where u = r² S / (4 T t) is "
            "small, and short of it farther out; the map's dashed line shows where it "
            "stays within 1 %."),
        method));
    methodLayout->addWidget(theis);
    methodLayout->addWidget(explanation(
        QStringLiteral("The exact solution for a confined aquifer, s = Q / (4 π T) W(u). Use it "
                       "when the map reaches beyond the dashed line, for short pumping times or "
                       "far from the wells."),
        method));

    auto* correction = new QGroupBox(QStringLiteral("Aquifer"), this);
    unconfined = new QCheckBox(QStringLiteral("Unconfined correction (Jacob)"), correction);
    unconfined->setObjectName(QStringLiteral("Unconfined"));
    auto* correctionLayout = new QVBoxLayout(correction);
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
    (methodOfText(texts.method) == WellMethod::Theis ? theis : cooperJacob)->setChecked(true);
    unconfined->setChecked(yesNoOfText(texts.unconfined).value_or(false));
    easting->setText(QString::fromStdString(texts.georeference.easting));
    northing->setText(QString::fromStdString(texts.georeference.northing));
    crs->setText(QString::fromStdString(texts.georeference.crs));
}

QString OptionsTab::methodText() const
{
    return theis->isChecked() ? QStringLiteral("theis") : QStringLiteral("cooper-jacob");
}

QString OptionsTab::unconfinedText() const
{
    return unconfined->isChecked() ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace drawfield
