#include "mapper/plot_window.h"

#include <QPainter>

namespace drawfield::mapper {

PlotWindow::PlotWindow(
    std::function<const PlotDocument*()> plot, std::function<QString()> note, QWidget* parent)
    : QWidget(parent)
    , m_plot(std::move(plot))
    , m_note(std::move(note))
{
    setWindowTitle(QStringLiteral("drawfield-mapper"));
    resize(800, 600);
}

void PlotWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const PlotDocument* document = m_plot();
    const QString note = m_note ? m_note() : QString();
    if (document != nullptr && (!document->frames.empty() || note.isEmpty())) {
        paintPlot(painter, QRectF(rect()), *document);
        return;
    }
    painter.fillRect(rect(), Qt::white);
    if (!note.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect()).adjusted(40, 40, -40, -40),
            Qt::AlignCenter | Qt::TextWordWrap,
            note + QStringLiteral("\n\nThere is no map to show."));
    }
}

} // namespace drawfield::mapper
