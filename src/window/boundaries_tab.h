#pragma once

// The tab after Options: what happens in time and space around the wells. A schedule per bore,
// up to two straight boundaries, up to ten observation points and a profile. Its texts travel
// with the other fields' into the reading of a scenario; left empty, the run is the classic one.

#include "scenario/scenario.h"

#include <QWidget>

#include <array>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QLineEdit;

namespace drawfield {

class EditingTable;

class TimeBoundariesTab : public QWidget {
    Q_OBJECT
public:
    // Starts empty.
    explicit TimeBoundariesTab(QWidget* parent = nullptr);

    // Puts the tab's texts into texts: the schedules and bore radii, the boundaries (none where
    // the kind is "None", whose points are then greyed), the observation points and the profile.
    void fillTexts(ScenarioTexts& texts) const;
    // Shows texts' schedules, radii, boundaries, observation points and profile.
    void showTexts(const ScenarioTexts& texts);
    // Names the units of the radii, the schedules and the points' coordinates.
    void showUnits(const UnitTexts& units);
    // Shows the columns of the chosen well function's bore parameters, hides the others' (their
    // texts stay, and are saved).
    void setMethod(WellMethod method);
    // An observation point's X and Y texts (a point dragged on the map), and back.
    void setObservationPlace(int row, const QString& x, const QString& y);
    [[nodiscard]] QString observationText(int row, int column) const;

    std::array<QLineEdit*, WellCount> names; // empty for "Bore 3"
    std::array<QLineEdit*, WellCount> schedules;
    std::array<QLineEdit*, WellCount> radii; // m, empty for 0.1
    std::array<QLineEdit*, WellCount> available; // m, the available drawdown; empty for none
    // A column per Bore-scope parameter of the well functions' tables (object name
    // "Bore<n>_<key>"), beside the radius.
    std::vector<std::pair<const WellParameter*, std::array<QLineEdit*, WellCount>>> boreParameters;
    struct BoundaryRow {
        QComboBox* kind; // None, Barrier, Recharge
        QLineEdit *x1, *y1, *x2, *y2;
    };
    std::array<BoundaryRow, BoundaryCount> boundaries;
    // Name, X (m), Y (m), Limit (m), then a column per Observation-scope parameter of the well
    // functions' tables: one row per point.
    EditingTable* observations;
    static constexpr int LimitColumn = 3;
    // The bores beyond the well table's five, a row each: Name, X, Y, Rate, Schedule, Radius,
    // Available; grown and shrunk by the buttons below it, as the observation table is.
    EditingTable* moreBores;
    QPushButton *addBore, *removeBore, *addPoint, *removePoint;
    std::vector<const WellParameter*> observationParameters; // their columns, from 4 on
    QLineEdit *profileX1, *profileY1, *profileX2, *profileY2;

private:
    QLabel* m_radiusHead = nullptr;
    QLabel* m_availableHead = nullptr;
    QLabel* m_scheduleNote = nullptr;
    std::vector<QLabel*> m_boreParameterLabels; // a heading per boreParameters column
};

} // namespace drawfield
