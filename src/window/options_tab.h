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
class QLineEdit;
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
    // Shows a scenario's choices: its method, its parameters, correction and georeference.
    void showTexts(const ScenarioTexts& texts);

    // The choice of a well function, one per row of the table.
    [[nodiscard]] QRadioButton* methodButton(WellMethod method) const;
    // The field of a well function's [aquifer] parameter, one per key of the tables (object name
    // "Parameter_<key>"), enabled while a function that declares it is chosen; null for none.
    [[nodiscard]] QLineEdit* parameterField(std::string_view key) const;
    QCheckBox* unconfined;
    QLineEdit* easting; // m, of the map's point (0, 0)
    QLineEdit* northing;
    QLineEdit* crs; // "EPSG:25832"

signals:
    void methodChanged(); // another well function was chosen

private:
    void enableParameters();

    std::vector<QRadioButton*> m_methods;
    std::vector<std::pair<const WellParameter*, QLineEdit*>> m_parameters;
};

} // namespace drawfield
