#include "views/report.h"

#include "compute/atomic_file.h"
#include "compute/observations.h"
#include "compute/user_text.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <vector>

namespace drawfield {

namespace {

    constexpr double Margin = 48.0; // half an inch

    QFont reportFont(double points, bool bold = false)
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        // No ligatures: "coefficient" must be found by a search of the PDF.
        font.setStyleStrategy(QFont::PreferNoShaping);
        return font;
    }

    QString number(double value, int digits = 6)
    {
        if (std::isnan(value))
            return QStringLiteral("none");
        return QString::number(value, 'g', digits);
    }

    QString metresOf(double value)
    {
        return std::isnan(value) ? QStringLiteral("none") : QString::number(value, 'f', 3);
    }

    // Writes lines of text down the page from a top edge, keeping track of where it is.
    class PageWriter {
    public:
        PageWriter(QPainter& painter, const QRectF& page)
            : m_painter(painter)
            , m_left(page.left() + Margin)
            , m_width(page.width() - 2 * Margin)
            , m_y(page.top() + Margin)
        {
        }
        double y() const { return m_y; }
        double left() const { return m_left; }
        double width() const { return m_width; }
        void skip(double height) { m_y += height; }

        void heading(const QString& text)
        {
            m_y += 6;
            line({ text }, { 1.0 }, reportFont(10, true));
            m_painter.setPen(QPen(QColor(150, 150, 150), 0.7));
            m_painter.drawLine(QPointF(m_left, m_y), QPointF(m_left + m_width, m_y));
            m_y += 3;
        }
        // One line of cells, each taking its share of the width.
        void line(const QStringList& cells, const std::vector<double>& shares,
            const QFont& font = reportFont(8.5))
        {
            m_painter.setFont(font);
            m_painter.setPen(Qt::black);
            const QFontMetricsF metrics(font, m_painter.device());
            double x = m_left;
            for (int i = 0; i < cells.size(); ++i) {
                const double width = m_width * shares[static_cast<std::size_t>(i)];
                m_painter.drawText(QPointF(x, m_y + metrics.ascent()),
                    metrics.elidedText(cells[i], Qt::ElideRight, width - 6));
                x += width;
            }
            m_y += metrics.height() + 2;
        }

    private:
        QPainter& m_painter;
        double m_left, m_width, m_y;
    };

    QString scheduleText(const std::vector<RateChange>& changes)
    {
        QStringList parts;
        for (const RateChange& change : changes)
            parts << QStringLiteral("from %1 h: %2")
                         .arg(number(change.StartSeconds / 3600.0), number(change.Rate * 3600.0));
        return parts.isEmpty() ? QStringLiteral("constant") : parts.join(QStringLiteral("; "));
    }

    // The drawdown the map gives a bore: its node's value, when the bore lies on a node.
    double drawdownAtBore(const DrawdownGrid& grid, int x, int y)
    {
        if (x < grid.xMin() || x > grid.xMax() || y < grid.yMin() || y > grid.yMax()
            || (x - grid.xMin()) % grid.nodeSpacing() != 0
            || (y - grid.yMin()) % grid.nodeSpacing() != 0)
            return std::nan("");
        return 0.0 - grid.at(x, y);
    }

} // namespace

void paintReport(QPainter& painter, const QRectF& page, const ReportContent& content)
{
    const ScenarioInputs& in = content.inputs;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PageWriter writer(painter, page);

    // Title, scenario and date.
    writer.line({ QStringLiteral("Drawdown report") }, { 1.0 }, reportFont(15, true));
    writer.line({ QStringLiteral("Scenario: ") + content.scenarioName,
                    QStringLiteral("Drawfield 2.0, ")
                        + content.made.toString(QStringLiteral("yyyy-MM-dd HH:mm")) },
        { 0.7, 0.3 }, reportFont(9));

    writer.heading(QStringLiteral("Aquifer and pumping"));
    const std::vector<double> pairs { 0.25, 0.25, 0.25, 0.25 };
    writer.line(
        { QStringLiteral("Transmissivity"), number(in.Transmissivity) + QStringLiteral(" m²/s"),
            QStringLiteral("Storage coefficient"),
            number(in.Storage * 100.0) + QStringLiteral(" %") },
        pairs);
    writer.line(
        { QStringLiteral("Pumping time"), number(in.PumpTime / 3600.0) + QStringLiteral(" h"),
            QStringLiteral("Aquifer thickness"), number(in.Thickness) + QStringLiteral(" m") },
        pairs);
    writer.line({ QStringLiteral("Method"),
                    in.Method == WellMethod::Theis ? QStringLiteral("Theis (exact)")
                                                   : QStringLiteral("Cooper-Jacob"),
                    QStringLiteral("Unconfined correction"),
                    in.Unconfined ? QStringLiteral("yes (Jacob)") : QStringLiteral("no") },
        pairs);
    writer.line({ QStringLiteral("Map"),
                    QStringLiteral("X and Y from %1 to %2 m, nodes every %3 m")
                        .arg(in.XMin)
                        .arg(in.XMax)
                        .arg(in.Step) },
        { 0.25, 0.75 });
    writer.line(
        { QStringLiteral("Georeference"),
            in.Place ? QStringLiteral("E %1, N %2, %3")
                           .arg(number(in.Place->Easting, 12), number(in.Place->Northing, 12),
                               in.Place->Crs.empty() ? QStringLiteral("no CRS")
                                                     : QString::fromStdString(in.Place->Crs))
                     : QStringLiteral("none: local metres") },
        { 0.25, 0.75 });

    writer.heading(QStringLiteral("Bores"));
    const std::vector<double> boreColumns { 0.1, 0.1, 0.1, 0.13, 0.37, 0.2 };
    writer.line({ QStringLiteral("Bore"), QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
                    QStringLiteral("Rate (m³/h)"), QStringLiteral("Schedule (m³/h)"),
                    QStringLiteral("Drawdown (m)") },
        boreColumns, reportFont(8.5, true));
    for (int bore = 0; bore < WellCount; ++bore) {
        if (!in.pumps(bore))
            continue;
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        writer.line({ QStringLiteral("Bore %1").arg(bore + 1), QString::number(well.X),
                        QString::number(well.Y), number(well.Rate * 3600.0),
                        scheduleText(in.Schedules[static_cast<std::size_t>(bore)]),
                        metresOf(drawdownAtBore(*content.grid, well.X, well.Y)) },
            boreColumns);
    }

    if (!in.Boundaries.empty()) {
        writer.heading(QStringLiteral("Boundaries"));
        for (const Boundary& boundary : in.Boundaries)
            writer.line({ (boundary.Kind == BoundaryKind::Barrier
                                  ? QStringLiteral("Barrier (no flow)")
                                  : QStringLiteral("Recharge (constant head)"))
                            + QStringLiteral(" through (%1, %2) and (%3, %4) m")
                                  .arg(number(boundary.X1), number(boundary.Y1),
                                      number(boundary.X2), number(boundary.Y2)) },
                { 1.0 });
    }

    if (!in.Observations.empty()) {
        writer.heading(QStringLiteral("Observation points"));
        const std::vector<double> columns { 0.4, 0.15, 0.15, 0.3 };
        writer.line({ QStringLiteral("Name"), QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
                        QStringLiteral("Drawdown at %1 h (m)").arg(number(in.PumpTime / 3600.0)) },
            columns, reportFont(8.5, true));
        for (const ObservationPoint& point : in.Observations)
            writer.line({ QString::fromStdString(point.Name), number(point.X), number(point.Y),
                            metresOf(drawdownAt(in, point.X, point.Y, in.PumpTime)) },
                columns);
    }

    writer.heading(QStringLiteral("Result"));
    writer.line({ QStringLiteral("Largest drawdown: %1 m at (%2, %3)")
                        .arg(metresOf(content.largestDrawdown))
                        .arg(content.largestX)
                        .arg(content.largestY) },
        { 1.0 }, reportFont(9, true));
    writer.skip(6);

    // The charts fill the rest of the page: the map and the surface side by side, the curves
    // below them when there are any.
    const double bottom = page.bottom() - Margin;
    const double gap = 12.0;
    const double half = (writer.width() - gap) / 2.0;
    const double chartHeight = std::min(
        half * 0.85, content.curves ? (bottom - writer.y() - gap) / 2.0 : bottom - writer.y());
    const QRectF mapArea(writer.left(), writer.y(), half, chartHeight);
    const QRectF surfaceArea(writer.left() + half + gap, writer.y(), half, chartHeight);
    auto paintIn = [&](const PaintRoutine& paint, const QRectF& area) {
        if (!paint || area.height() < 40)
            return;
        painter.save();
        painter.setClipRect(area);
        paint(painter, area);
        painter.restore();
    };
    paintIn(content.map, mapArea);
    paintIn(content.surface, surfaceArea);
    if (content.curves) {
        const double top = mapArea.bottom() + gap;
        paintIn(content.curves,
            QRectF(
                writer.left(), top, writer.width(), std::min(bottom - top, writer.width() * 0.45)));
    }
    painter.restore();
}

QString writeReport(const std::filesystem::path& path, const ReportContent& content)
{
    auto failed = [&](const std::string& reason) {
        return QString::fromLocal8Bit(cannotMessage("write", "report", path.native(), reason));
    };
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(96);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setCreator(QStringLiteral("Drawfield 2.0"));
        writer.setTitle(QStringLiteral("Drawdown report: ") + content.scenarioName);
        QPainter painter;
        if (!painter.begin(&writer))
            return failed("the page could not be drawn");
        paintReport(
            painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())), content);
        if (!painter.end())
            return failed("the page could not be drawn");
    }
    try {
        AtomicFile file(path, "report");
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file.commit();
    } catch (const FileWriteError& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return {};
}

} // namespace drawfield
