#pragma once

#include "mapper/plot.h"

#include <QWidget>

#include <functional>

namespace drawfield::mapper {

// The mapping program's window: the plot, redrawn when it changes.
class PlotWindow : public QWidget {
    Q_OBJECT
public:
    // plot gives the document to show (or none), note why there is nothing to show (or
    // nothing); both are asked at every repaint.
    explicit PlotWindow(std::function<const PlotDocument*()> plot,
        std::function<QString()> note = {}, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<const PlotDocument*()> m_plot;
    std::function<QString()> m_note;
};

} // namespace drawfield::mapper
