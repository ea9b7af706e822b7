#include "window/pumping_test_tab.h"

#include "window/controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace drawfield {
namespace {

    constexpr int Rows = WellCount + ObservationCount;

    QString number(double value, int digits = 5) { return QString::number(value, 'g', digits); }

} // namespace

PumpingTestTab::PumpingTestTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PumpingTestTab"));

    auto* readings = new QGroupBox(QStringLiteral("Measured drawdowns"), this);
    files = new EditingTable(Rows, 1, 0, 0, readings);
    files->setObjectName(QStringLiteral("MeasuredFiles"));
    files->setHorizontalHeaderLabels({ QStringLiteral("CSV file (time_min,drawdown_m ...)") });
    QStringList rows;
    for (int bore = 1; bore <= WellCount; ++bore)
        rows << QStringLiteral("Bore %1").arg(bore);
    for (int point = 1; point <= ObservationCount; ++point)
        rows << QStringLiteral("Point %1").arg(point);
    files->setVerticalHeaderLabels(rows);
    files->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    files->verticalHeader()->setDefaultSectionSize(20);
    files->setMinimumHeight(120);
    chooseFile = new QPushButton(QStringLiteral("Choose file..."), readings);
    chooseFile->setObjectName(QStringLiteral("ChooseMeasured"));
    auto* readingsLayout = new QVBoxLayout(readings);
    readingsLayout->addWidget(files);
    readingsLayout->addWidget(chooseFile, 0, Qt::AlignLeft);
    auto* note = new QLabel(QStringLiteral("Points are those of the Time and Boundaries tab; a "
                                           "bore's readings are at its radius. A name without "
                                           "a folder is found beside the scenario file."),
        readings);
    note->setWordWrap(true);
    readingsLayout->addWidget(note);

    auto* fitting = new QGroupBox(QStringLiteral("Fit"), this);
    fitTransmissivity = new QCheckBox(QStringLiteral("T"), fitting);
    fitTransmissivity->setObjectName(QStringLiteral("FitT"));
    fitTransmissivity->setChecked(true);
    fitStorage = new QCheckBox(QStringLiteral("S"), fitting);
    fitStorage->setObjectName(QStringLiteral("FitS"));
    fitStorage->setChecked(true);
    fitLeakage = new QCheckBox(QStringLiteral("B (leaky)"), fitting);
    fitLeakage->setObjectName(QStringLiteral("FitB"));
    fit = new QPushButton(QStringLiteral("Fit"), fitting);
    fit->setObjectName(QStringLiteral("Fit"));
    useValues = new QPushButton(QStringLiteral("Use these values"), fitting);
    useValues->setObjectName(QStringLiteral("UseFitted"));
    useValues->setEnabled(false);
    auto* choices = new QHBoxLayout;
    for (QWidget* control :
        std::initializer_list<QWidget*> { fitTransmissivity, fitStorage, fitLeakage, fit })
        choices->addWidget(control);
    choices->addStretch();
    results = new QTableWidget(0, 4, fitting);
    results->setObjectName(QStringLiteral("FitResults"));
    results->setHorizontalHeaderLabels({ QStringLiteral("Estimate"), QStringLiteral("Std. error"),
        QStringLiteral("95 % from"), QStringLiteral("to") });
    results->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    results->verticalHeader()->setDefaultSectionSize(20);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setMinimumHeight(100);
    status = new QLabel(fitting);
    status->setObjectName(QStringLiteral("FitStatus"));
    status->setWordWrap(true);
    auto* fitLayout = new QVBoxLayout(fitting);
    fitLayout->addLayout(choices);
    fitLayout->addWidget(results);
    fitLayout->addWidget(status);
    fitLayout->addWidget(useValues, 0, Qt::AlignLeft);

    auto* left = new QVBoxLayout;
    left->addWidget(readings, 3);
    left->addWidget(fitting, 2);
    chart = new FitChart(this);
    chart->setMinimumSize(240, 180);
    savePicture = new QPushButton(QStringLiteral("Save picture"), chart);
    savePicture->setObjectName(QStringLiteral("SaveFitPicture"));
    savePicture->move(4, 4);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left, 2);
    layout->addWidget(chart, 3);

    setLeaky(false);
    chart->setData({ QStringLiteral("Name a file of readings for a bore or an observation point, "
                                    "tick the parameters to fit and press Fit."),
        {} });
    connect(fit, &QPushButton::clicked, this, &PumpingTestTab::fitRequested);
    connect(useValues, &QPushButton::clicked, this, &PumpingTestTab::useRequested);
    connect(savePicture, &QPushButton::clicked, this, &PumpingTestTab::pictureRequested);
    connect(chooseFile, &QPushButton::clicked, this,
        [this] { emit fileRequested(std::max(0, files->currentRow())); });
}

void PumpingTestTab::fillTexts(ScenarioTexts& texts) const
{
    auto text = [this](int row) {
        const QTableWidgetItem* item = files->item(row, 0);
        return item ? item->text().trimmed().toStdString() : std::string();
    };
    for (int bore = 0; bore < WellCount; ++bore)
        texts.boreMeasured[static_cast<std::size_t>(bore)] = text(bore);
    for (int point = 0; point < ObservationCount; ++point)
        texts.observations[static_cast<std::size_t>(point)].measured = text(WellCount + point);
}

void PumpingTestTab::showTexts(const ScenarioTexts& texts)
{
    for (int bore = 0; bore < WellCount; ++bore)
        setFileName(
            bore, QString::fromStdString(texts.boreMeasured[static_cast<std::size_t>(bore)]));
    for (int point = 0; point < ObservationCount; ++point)
        setFileName(WellCount + point,
            QString::fromStdString(texts.observations[static_cast<std::size_t>(point)].measured));
}

void PumpingTestTab::setFileName(int row, const QString& name)
{
    files->setItem(row, 0, new QTableWidgetItem(name));
}

void PumpingTestTab::setLeaky(bool leaky)
{
    fitLeakage->setEnabled(leaky);
    if (!leaky)
        fitLeakage->setChecked(false);
}

std::vector<FitParameter> PumpingTestTab::chosenParameters() const
{
    std::vector<FitParameter> parameters;
    if (fitTransmissivity->isChecked())
        parameters.push_back(FitParameter::Transmissivity);
    if (fitStorage->isChecked())
        parameters.push_back(FitParameter::Storage);
    if (fitLeakage->isChecked() && fitLeakage->isEnabled())
        parameters.push_back(FitParameter::LeakageFactor);
    return parameters;
}

void PumpingTestTab::showFit(const FitResult* result, FitChartData data)
{
    results->setRowCount(0);
    useValues->setEnabled(result != nullptr && result->succeeded);
    if (result != nullptr && result->succeeded) {
        QStringList names;
        for (const FitEstimate& e : result->estimates) {
            const int row = results->rowCount();
            results->insertRow(row);
            const char* unit = fitParameterUnit(e.parameter);
            names << QString::fromLatin1(fitParameterName(e.parameter))
                    + (*unit ? QStringLiteral(" (%1)").arg(QLatin1String(unit)) : QString());
            const QString cells[] = { number(e.value), number(e.standardError, 2), number(e.low, 4),
                number(e.high, 4) };
            for (int column = 0; column < 4; ++column)
                results->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        results->setVerticalHeaderLabels(names);
        status->setText(QStringLiteral("RMSE %1 m over %2 readings.")
                            .arg(number(result->rmseMetres, 4))
                            .arg(result->readings));
    } else {
        status->setText(result ? QString::fromStdString(result->problem) : data.title);
    }
    chart->setData(std::move(data));
}

} // namespace drawfield
