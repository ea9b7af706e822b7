#include "mapper/plot_window.h"

#include <QPainter>

namespace drawfield::mapper {

PlotWindow::PlotWindow(std::function<const PlotDocument*()> plot, QWidget* parent)
    : QWidget(parent)
    , m_plot(std::move(plot))
{
    setWindowTitle(QStringLiteral("drawfield-mapper"));
    resize(800, 600);
}

void PlotWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (const PlotDocument* document = m_plot())
        paintPlot(painter, QRectF(rect()), *document);
    else
        painter.fillRect(rect(), Qt::white);
}

} // namespace drawfield::mapper
