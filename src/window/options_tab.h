#pragma once

// The tab after Infos: the choices beyond the classic run (the well function, the unconfined
// correction, where the map lies for GIS files), each with a line saying what it does and when to
// use it. Its values travel with the other fields' texts into the reading of a scenario.

#include "compute/scenario.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace drawfield {

class OptionsTab : public QWidget {
    Q_OBJECT
public:
    // Starts on the classic run: Cooper-Jacob, confined.
    explicit OptionsTab(QWidget* parent = nullptr);

    QString methodText() const; // "cooper-jacob" or "theis", as a scenario file writes it
    QString unconfinedText() const; // "no" or "yes"
    GeoreferenceTexts georeferenceTexts() const;
    // Shows a scenario's choices: its method, correction and georeference.
    void showTexts(const ScenarioTexts& texts);

    QRadioButton* cooperJacob;
    QRadioButton* theis;
    QCheckBox* unconfined;
    QLineEdit* easting; // m, of the map's point (0, 0)
    QLineEdit* northing;
    QLineEdit* crs; // "EPSG:25832"
};

} // namespace drawfield
