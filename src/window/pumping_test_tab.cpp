#include "window/pumping_test_tab.h"
#include "scenario/scenario.h"

#include "window/controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

    constexpr int Rows = WellCount + ObservationCount;

    // Short enough for the table's columns at the window's start size: 1.7788e-04, not 0.00017788.
    QString number(double value, int digits = 5)
    {
        const double size = std::fabs(value);
        return size != 0.0 && (size < 1e-3 || size >= 1e6) ? QString::number(value, 'e', digits - 1)
                                                           : QString::number(value, 'g', digits);
    }

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
    files->setMinimumHeight(100);
    // The tables take the room the tab has, never more: a scroll area would give the tab its
    // preferred height (15 rows) and hide the fit below the fold.
    files->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    chooseFile = new QPushButton(QStringLiteral("Choose file..."), readings);
    chooseFile->setObjectName(QStringLiteral("ChooseMeasured"));
    const QString where = QStringLiteral("Points are those of the Time and Boundaries tab; a "
                                         "bore's readings are at its radius. A name without a "
                                         "folder is found beside the scenario file.");
    files->setToolTip(where);
    chooseFile->setToolTip(where);
    auto* note = new QLabel(
        QStringLiteral("Beside the scenario file unless a folder is named."), readings);
    note->setWordWrap(true);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(chooseFile);
    fileRow->addWidget(note, 1);
    auto* readingsLayout = new QVBoxLayout(readings);
    readingsLayout->setContentsMargins(6, 4, 6, 4);
    readingsLayout->addWidget(files, 1);
    readingsLayout->addLayout(fileRow);

    // Everything of the fit in view at the window's start size: the choices, the buttons, then
    // the estimates.
    auto* fitting = new QGroupBox(QStringLiteral("Fit"), this);
    // A check box per parameter a fit takes: T, S, and the well functions' own (shown while
    // their function is chosen), each named by its symbol.
    auto text = [](std::string_view view) {
        return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    };
    auto* choices = new QHBoxLayout;
    std::vector<FitParameter> fittable { transmissivityParameter(), storageParameter() };
    // The aquifer's, then a bore's own (skin, C: of the pumping bore whose readings are given).
    for (ParameterScope scope : { ParameterScope::Aquifer, ParameterScope::Bore })
        for (const WellParameter* parameter : parametersOfScope(scope))
            if (parameter->fit != FitScale::NotFitted)
                fittable.push_back(parameter);
    for (FitParameter parameter : fittable) {
        auto* box = new QCheckBox(text(parameter->symbol), fitting);
        box->setObjectName(QStringLiteral("Fit") + text(parameter->symbol));
        box->setToolTip(text(parameter->label));
        box->setChecked(parameter == transmissivityParameter() || parameter == storageParameter());
        choices->addWidget(box);
        m_choices.emplace_back(parameter, box);
    }
    fitTransmissivity = m_choices[0].second;
    fitStorage = m_choices[1].second;
    fit = new QPushButton(QStringLiteral("Fit"), fitting);
    fit->setObjectName(QStringLiteral("Fit"));
    useValues = new QPushButton(QStringLiteral("Use these values"), fitting);
    useValues->setObjectName(QStringLiteral("UseFitted"));
    useValues->setEnabled(false);
    useElsewhere = new QPushButton(QStringLiteral("Use in another scenario…"), fitting);
    useElsewhere->setObjectName(QStringLiteral("UseFittedElsewhere"));
    useElsewhere->setToolTip(QStringLiteral(
        "Opens a study's scenario and gives it the fitted aquifer: T, S, the method and its "
        "parameters, with the fit's intervals for its report"));
    useElsewhere->setEnabled(false);
    choices->addStretch();
    // The buttons on a row of their own: with a function's own boxes (skin and C beside T and S)
    // one row would be wider than the tab.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fit);
    buttons->addWidget(useValues);
    buttons->addWidget(useElsewhere);
    buttons->addStretch();
    results = new QTableWidget(0, 4, fitting);
    results->setObjectName(QStringLiteral("FitResults"));
    results->setHorizontalHeaderLabels({ QStringLiteral("Estimate"), QStringLiteral("Std. error"),
        QStringLiteral("95 % low"), QStringLiteral("high") });
    results->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    results->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    results->verticalHeader()->setDefaultSectionSize(20);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read only: Tab goes on to the next control (the arrows walk the cells) instead of round
    // its cells for ever.
    results->setTabKeyNavigation(false);
    results->setMinimumHeight(64);
    results->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    // The fit's lines (its RMSE, the straight lines, a step test's) scroll in three lines' room:
    // a label that grows with them would be drawn over the estimates at the start size.
    auto* statusArea = new QScrollArea(fitting);
    status = new QLabel(statusArea);
    status->setObjectName(QStringLiteral("FitStatus"));
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusArea->setWidget(status);
    statusArea->setWidgetResizable(true);
    statusArea->setFrameShape(QFrame::NoFrame);
    statusArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    statusArea->setFocusPolicy(Qt::NoFocus);
    statusArea->setFixedHeight(3 * status->fontMetrics().lineSpacing() + 4);
    auto* fitLayout = new QVBoxLayout(fitting);
    fitLayout->setContentsMargins(6, 4, 6, 4);
    fitLayout->addLayout(choices);
    fitLayout->addLayout(buttons);
    fitLayout->addWidget(results, 1);
    fitLayout->addWidget(statusArea);

    auto* left = new QVBoxLayout;
    left->addWidget(readings, 3);
    left->addWidget(fitting, 2);
    chart = new FitChart(this);
    chart->setMinimumSize(240, 180);
    savePicture = new QPushButton(QStringLiteral("Save picture"), chart);
    savePicture->setObjectName(QStringLiteral("SaveFitPicture"));
    savePicture->move(4, 4);
    typeCurve = new QCheckBox(QStringLiteral("Type curve"), chart);
    typeCurve->setObjectName(QStringLiteral("TypeCurve"));
    typeCurve->setToolTip(QStringLiteral(
        "The readings and the fitted drawdown as W = 4 π T s / Q against 1/u = 4 T t / (r² S), "
        "beside Theis' W(u)"));
    typeCurve->move(savePicture->sizeHint().width() + 12, 6);
    connect(typeCurve, &QCheckBox::toggled, this, [this](bool on) {
        FitChartData data = chart->data();
        data.typeCurve = on;
        chart->setData(std::move(data));
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left, 1);
    layout->addWidget(chart, 1);

    setMethod(WellMethod::CooperJacob);
    clearFit();
    connect(fit, &QPushButton::clicked, this, &PumpingTestTab::fitRequested);
    connect(useValues, &QPushButton::clicked, this, &PumpingTestTab::useRequested);
    connect(useElsewhere, &QPushButton::clicked, this, &PumpingTestTab::useElsewhereRequested);
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
        texts.bores[static_cast<std::size_t>(bore)].measured = text(bore);
    for (int point = 0; point < ObservationCount; ++point)
        texts.observations[static_cast<std::size_t>(point)].measured = text(WellCount + point);
}

void PumpingTestTab::showTexts(const ScenarioTexts& texts)
{
    for (int bore = 0; bore < WellCount; ++bore)
        setFileName(
            bore, QString::fromStdString(texts.bores[static_cast<std::size_t>(bore)].measured));
    for (int point = 0; point < ObservationCount; ++point)
        setFileName(WellCount + point,
            QString::fromStdString(texts.observations[static_cast<std::size_t>(point)].measured));
}

void PumpingTestTab::setPointNames(const ScenarioTexts& texts)
{
    for (int point = 0; point < ObservationCount; ++point) {
        const std::string& name = texts.observations[static_cast<std::size_t>(point)].name;
        const QString shown = name.empty() ? QStringLiteral("Point %1").arg(point + 1)
                                           : QString::fromStdString(name);
        auto* header = new QTableWidgetItem(
            shown.size() > 16 ? shown.left(15) + QChar(0x2026) : shown); // a long name: "…"
        header->setToolTip(shown);
        files->setVerticalHeaderItem(WellCount + point, header);
    }
}

void PumpingTestTab::clearFit()
{
    results->setRowCount(0);
    status->clear();
    useValues->setEnabled(false);
    useElsewhere->setEnabled(false);
    chart->setData({ QStringLiteral("Name a file of readings for a bore or an observation point, "
                                    "tick the parameters to fit and press Fit."),
        {} });
}

void PumpingTestTab::setFileName(int row, const QString& name)
{
    files->setItem(row, 0, new QTableWidgetItem(name));
}

void PumpingTestTab::setMethod(WellMethod method)
{
    const WellFunction& row = wellFunctionRow(method);
    for (const auto& [parameter, box] : m_choices) {
        const bool base = parameter == transmissivityParameter() || parameter == storageParameter();
        const FitParameter which = parameter;
        const bool own = std::any_of(row.parameters.begin(), row.parameters.end(),
            [which](const WellParameter& p) { return &p == which; });
        // Only the chosen function's own: five rows' worth of boxes would not fit the tab.
        box->setEnabled(base || own);
        box->setVisible(base || own);
        if (!box->isEnabled())
            box->setChecked(false);
    }
}

QCheckBox* PumpingTestTab::fitChoice(std::string_view symbol) const
{
    for (const auto& [parameter, box] : m_choices)
        if (parameter->symbol == symbol)
            return box;
    return nullptr;
}

std::vector<FitParameter> PumpingTestTab::chosenParameters() const
{
    std::vector<FitParameter> parameters;
    for (const auto& [parameter, box] : m_choices)
        if (box->isChecked() && box->isEnabled())
            parameters.push_back(parameter);
    return parameters;
}

void PumpingTestTab::showFit(const FitResult* result, FitChartData data)
{
    results->setRowCount(0);
    useValues->setEnabled(result != nullptr && result->succeeded);
    useElsewhere->setEnabled(result != nullptr && result->succeeded);
    if (result != nullptr && result->succeeded) {
        // Each value in the unit its field takes (S in % as the storage field), T in m²/d too,
        // as test reports give it.
        QStringList names;
        auto addRow = [&](const QString& name, const FitEstimate& e, double factor) {
            const int row = results->rowCount();
            results->insertRow(row);
            names << name;
            const QString cells[] = { number(e.value * factor), number(e.standardError * factor, 2),
                number(e.low * factor, 4), number(e.high * factor, 4) };
            for (int column = 0; column < 4; ++column)
                results->setItem(row, column, new QTableWidgetItem(cells[column]));
        };
        // With units chosen ([units]), in those: T in m²/s and in its chosen unit.
        const ResultUnits& units = result->fitted.Units;
        auto chosenUnit = [&](Quantity quantity) {
            return units.chosen ? resultUnitOf(units, quantity) : nullptr;
        };
        auto superscripts = [](QString word) {
            return word.replace(QStringLiteral("h2/m5"), QStringLiteral("h²/m⁵"))
                .replace(QStringLiteral("m2"), QStringLiteral("m²"))
                .replace(QStringLiteral("ft2"), QStringLiteral("ft²"));
        };
        for (const FitEstimate& e : result->estimates) {
            const FitParameter parameter = e.parameter;
            const QString symbol = QString::fromUtf8(
                parameter->symbol.data(), static_cast<qsizetype>(parameter->symbol.size()));
            const ShownUnit* chosen = chosenUnit(parameter->quantity);
            const bool transmissivity = parameter == transmissivityParameter();
            if (chosen != nullptr && !transmissivity) {
                addRow(QStringLiteral("%1 (%2)").arg(
                           symbol, superscripts(QString::fromStdString(chosen->word))),
                    e, chosen->factor.over / chosen->factor.times);
                continue;
            }
            const QString unit = superscripts(QString::fromUtf8(
                parameter->unit.data(), static_cast<qsizetype>(parameter->unit.size())));
            addRow(unit.isEmpty() ? symbol : QStringLiteral("%1 (%2)").arg(symbol, unit), e,
                1.0 / parameter->perShownUnit);
            if (transmissivity && chosen != nullptr && chosen->word != "m2/s")
                addRow(QStringLiteral("%1 (%2)").arg(
                           symbol, superscripts(QString::fromStdString(chosen->word))),
                    e, chosen->factor.over / chosen->factor.times);
            else if (transmissivity)
                addRow(QStringLiteral("%1 (m²/d)").arg(symbol), e, SecondsPerDay);
        }
        results->setVerticalHeaderLabels(names);
        // The straight lines beside the fit, a line each: a check that needs no model.
        QString text = QStringLiteral("RMSE %1 m over %2 readings.")
                           .arg(number(result->rmseMetres, 4))
                           .arg(result->readings);
        for (const StraightLineEstimate& line : result->straightLines) {
            text += QStringLiteral("\n%1, %2: T %3 m²/s")
                        .arg(QString::fromStdString(line.method),
                            QString::fromStdString(line.point), number(line.transmissivity, 4));
            if (!std::isnan(line.storage))
                text += QStringLiteral(", S %1").arg(number(line.storage, 3));
        }
        for (const StepTest& test : result->stepTests) {
            text += QStringLiteral("\nstep test, %1: B %2 h/m², C %3 h²/m⁵, efficiency")
                        .arg(QString::fromStdString(test.point),
                            number(test.aquiferLoss / SecondsPerHour, 4),
                            number(test.wellLoss / (SecondsPerHour * SecondsPerHour), 4));
            for (const StepTestStep& step : test.steps)
                text += QStringLiteral(" %1 %").arg(number(100.0 * step.efficiency, 3));
        }
        status->setText(text);
    } else {
        status->setText(result ? QString::fromStdString(result->problem) : data.title);
    }
    data.typeCurve = typeCurve->isChecked();
    chart->setData(std::move(data));
}

} // namespace drawfield
