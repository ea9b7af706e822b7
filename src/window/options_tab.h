#pragma once

// The tab after Infos: the choices beyond the classic run (the well function, the unconfined
// correction, where the map lies for GIS files), each with a line saying what it does and when to
// use it. Its values travel with the other fields' texts into the reading of a scenario.

#include "compute/scenario.h"

#include <QWidget>

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
    QString unconfinedText() const; // "no" or "yes"
    [[nodiscard]] GeoreferenceTexts georeferenceTexts() const;
    [[nodiscard]] QString leakageFactorText() const;
    // Shows a scenario's choices: its method, correction and georeference.
    void showTexts(const ScenarioTexts& texts);

    // The choice of a well function, one per row of the table.
    [[nodiscard]] QRadioButton* methodButton(WellMethod method) const;
    QCheckBox* unconfined;
    QLineEdit* leakageFactor; // B (m), for Hantush; enabled while Hantush is chosen
    QLineEdit* easting; // m, of the map's point (0, 0)
    QLineEdit* northing;
    QLineEdit* crs; // "EPSG:25832"

private:
    std::vector<QRadioButton*> m_methods;
};

} // namespace drawfield
