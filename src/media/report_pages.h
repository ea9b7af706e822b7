#pragma once

// The report's pages as they are written: lines of cells that wrap within their share of the
// width, headings, blocks that start a new page where the page has no room left, page numbers.

#include "views/axis_ticks.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace drawfield {

inline constexpr double Margin = 48.0; // half an inch
inline constexpr double Gap = 12.0; // between the charts

inline QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: "coefficient" must be found by a search of the PDF.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

inline QString number(double value, int digits = 6)
{
    if (std::isnan(value))
        return QStringLiteral("none");
    return significantNumber(value, digits);
}

inline QString metresOf(double value)
{
    return std::isnan(value) ? QStringLiteral("none") : QString::number(value, 'f', 3);
}

// Writes the report down its pages: lines of cells that wrap within their share of the
// width, headings, and blocks of a given height, each starting a new page where the page
// has no room left for it. Every page ends with its number.
class PageWriter {
public:
    PageWriter(
        QPainter& painter, const QRectF& page, const std::function<bool()>& newPage, int pagesInAll)
        : m_painter(painter)
        , m_page(page)
        , m_newPage(newPage)
        , m_pagesInAll(pagesInAll)
        , m_left(page.left() + Margin)
        , m_width(page.width() - 2 * Margin)
        , m_y(page.top() + Margin)
    {
    }
    [[nodiscard]] double y() const { return m_y; }
    [[nodiscard]] double left() const { return m_left; }
    [[nodiscard]] double width() const { return m_width; }
    [[nodiscard]] double bottom() const { return m_page.bottom() - Margin; }
    [[nodiscard]] double room() const { return bottom() - m_y; }
    [[nodiscard]] int pages() const { return m_number; }
    void skip(double height) { m_y += height; }

    // Makes room for height below: the rest of this page, or a new page.
    void need(double height)
    {
        if (height <= room() || m_y <= m_page.top() + Margin + 1.0)
            return;
        finishPage();
        m_newPage();
        ++m_number;
        m_y = m_page.top() + Margin;
    }

    void heading(const QString& text)
    {
        const QFont font = reportFont(10, true);
        need(QFontMetricsF(font, m_painter.device()).height() * 3);
        m_y += 6;
        line({ text }, { 1.0 }, font);
        m_painter.setPen(QPen(QColor(150, 150, 150), 0.7));
        m_painter.drawLine(QPointF(m_left, m_y), QPointF(m_left + m_width, m_y));
        m_y += 3;
    }
    // One line of cells, each taking its share of the width; a cell's text wraps within it
    // (at any letter where a word is longer than the cell), so every text shows whole.
    void line(const QStringList& cells, const std::vector<double>& shares,
        const QFont& font = reportFont(8.5))
    {
        m_painter.setFont(font);
        const QFontMetricsF metrics(font, m_painter.device());
        std::vector<QRectF> boxes;
        std::vector<int> flags;
        double height = metrics.height();
        for (int i = 0; i < cells.size(); ++i) {
            const double width = m_width * shares[static_cast<std::size_t>(i)] - 6;
            int flag = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
            QRectF box = metrics.boundingRect(QRectF(0, 0, width, 1e6), flag, cells[i]);
            if (box.width() > width + 0.5) {
                flag = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
                box = metrics.boundingRect(QRectF(0, 0, width, 1e6), flag, cells[i]);
            }
            boxes.push_back(box);
            flags.push_back(flag);
            height = std::max(height, box.height());
        }
        need(height + 2);
        m_painter.setPen(Qt::black);
        double x = m_left;
        for (int i = 0; i < cells.size(); ++i) {
            const double width = m_width * shares[static_cast<std::size_t>(i)];
            m_painter.drawText(
                QRectF(x, m_y, width - 6, height), flags[static_cast<std::size_t>(i)], cells[i]);
            x += width;
        }
        m_y += height + 2;
    }

    void finishPage()
    {
        if (m_pagesInAll <= 1)
            return;
        const QFont font = reportFont(7.5);
        m_painter.setFont(font);
        m_painter.setPen(QColor(90, 90, 90));
        m_painter.drawText(QRectF(m_left, bottom() + 8, m_width, Margin / 2),
            Qt::AlignRight | Qt::AlignTop,
            QStringLiteral("Page %1 of %2").arg(m_number).arg(m_pagesInAll));
    }

private:
    QPainter& m_painter;
    QRectF m_page;
    const std::function<bool()>& m_newPage;
    int m_pagesInAll;
    double m_left, m_width, m_y;
    int m_number = 1;
};

} // namespace drawfield
