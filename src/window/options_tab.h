#pragma once

// The tab after Infos: the choices beyond the classic run (the well function, the unconfined
// correction, where the map lies for GIS files), each with a line saying what it does and when to
// use it. Its values travel with the other fields' texts into the reading of a scenario.

#include "scenario/scenario.h"

#include <QWidget>

#include <string_view>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QRadioButton;

namespace drawfield {

class OptionsTab : public QWidget {
    Q_OBJECT
public:
    // Starts on the classic run: Cooper-Jacob, confined.
    explicit OptionsTab(QWidget* parent = nullptr);

    [[nodiscard]] QString
    methodText() const; // the chosen well function's text, as a scenario file writes it
    [[nodiscard]] QString unconfinedText() const; // "no" or "yes"
    [[nodiscard]] GeoreferenceTexts georeferenceTexts() const;
    // The well functions' [aquifer] parameters typed (those with a text).
    [[nodiscard]] ParameterTexts parameterTexts() const;
    // The units the fields are in: empty texts while the program's own are chosen ("as
    // specified"), so that a scenario without [units] stays without it.
    [[nodiscard]] UnitTexts unitTexts() const { return m_units; }
    // Shows a scenario's choices: its method, its parameters, correction, georeference and units.
    void showTexts(const ScenarioTexts& texts);

    // The choice of a well function, one per row of the table.
    [[nodiscard]] QRadioButton* methodButton(WellMethod method) const;
    // The field of a well function's [aquifer] parameter, one per key of the tables (object name
    // "Parameter_<key>"), enabled while a function that declares it is chosen; null for none.
    [[nodiscard]] QLineEdit* parameterField(std::string_view key) const;
    QCheckBox* unconfined;
    // The map's Y maximum: linked to X maximum (a square map) until the box is unticked.
    QCheckBox* squareMap;
    QLineEdit* yMaximum;
    // The depth (m) the map is read at, for a function that reads screens; empty: the average.
    QLineEdit* mapDepth = nullptr;
    // The Y maximum as a scenario holds it: empty while linked.
    [[nodiscard]] std::string yMaxText() const;
    // Shows a scenario's Y maximum (empty: linked, showing xMax), or X maximum's new text while
    // linked.
    void showYMax(const std::string& yMax, const QString& xMax);
    void followXMax(const QString& xMax);
    QLineEdit* easting; // m, of the map's point (0, 0)
    QLineEdit* northing;
    QLineEdit* crs; // "EPSG:25832"
    QComboBox* unitPreset; // "as specified", "metric field", "US", "custom"
    // A selector per quantity (object names "Unit_length", ...), in the order of UnitTexts.
    [[nodiscard]] QComboBox* unitSelector(Quantity quantity) const;

signals:
    void methodChanged(); // another well function was chosen
    // The user chose other units; the fields were in `from`.
    void unitsChanged(const drawfield::UnitTexts& from);

private:
    void enableParameters();
    void showUnits(const UnitTexts& units); // the selectors and the preset, without a signal
    void chooseUnits(const UnitTexts& units); // as the user chose them: the signal
    [[nodiscard]] UnitTexts selectedUnits() const;
    void labelParameters();

    std::vector<QRadioButton*> m_methods;
    std::vector<std::pair<const WellParameter*, QLineEdit*>> m_parameters;
    std::vector<std::pair<const WellParameter*, QLabel*>> m_parameterLabels;
    // The map box's lengths, in the unit lengths are typed in.
    QLabel* m_yMaximumLabel = nullptr;
    QLabel* m_mapDepthLabel = nullptr;
    std::vector<std::pair<Quantity, QComboBox*>> m_unitSelectors;
    UnitTexts m_units;
    bool m_showing = false; // the selectors are being set, not chosen
};

} // namespace drawfield
