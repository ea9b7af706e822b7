#pragma once

// The tab after Curves: a pumping test. A file of measured drawdowns per bore and observation
// point, the parameters to fit, Fit (a background task with Stop), the estimates with their
// standard errors and intervals, "Use these values" (the fitted T, S and B into the fields), and
// the chart of the readings and the fit. The files' names travel with the other fields' texts.

#include "analysis/fit.h"
#include "scenario/scenario.h"
#include "views/fit_chart.h"

#include <QWidget>

#include <string_view>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace drawfield {

class EditingTable;

class PumpingTestTab : public QWidget {
    Q_OBJECT
public:
    explicit PumpingTestTab(QWidget* parent = nullptr);

    // The measured files: rows 0 to 4 the bores, 5 to 14 the observation points.
    void fillTexts(ScenarioTexts& texts) const;
    void showTexts(const ScenarioTexts& texts);
    void setFileName(int row, const QString& name);
    // The rows of the observation points take their names (Point n where there is none).
    void setPointNames(const ScenarioTexts& texts);
    // T and S can always be fitted; a well function's own parameters while it is chosen.
    void setMethod(WellMethod method);
    // The check box of a parameter a fit takes, by its symbol ("T"); null for none.
    [[nodiscard]] QCheckBox* fitChoice(std::string_view symbol) const;
    [[nodiscard]] std::vector<FitParameter> chosenParameters() const;
    // The estimates and the chart of a fit, or the readings alone (fit null), or why there are
    // none; "Use these values" follows whether the fit succeeded.
    void showFit(const FitResult* fit, FitChartData chart);
    // No fit: the estimates and the chart as before any, "Use these values" off.
    void clearFit();

    EditingTable* files;
    QPushButton* chooseFile; // for the current row
    QCheckBox *fitTransmissivity, *fitStorage;
    QPushButton* fit;
    QPushButton* useValues;
    QPushButton* useElsewhere; // "Use in another scenario…"
    QPushButton* savePicture;
    QCheckBox* typeCurve; // the log-log panel as the type curve
    QTableWidget* results; // parameter, estimate, standard error, 95 % interval
    QLabel* status;
    FitChart* chart;

private:
    std::vector<std::pair<FitParameter, QCheckBox*>> m_choices; // T, S, then the tables' own

signals:
    void fitRequested();
    void useRequested();
    void useElsewhereRequested();
    void fileRequested(int row);
    void pictureRequested();
};

} // namespace drawfield
