#include "media/report_sections.h"

#include "compute/observations.h"

#include "views/axis_ticks.h"
#include "views/round_values.h"

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

    QString verdictText(const BoreVerdict& verdict, const ResultUnits& units)
    {
        return verdict.runsDry()
            ? QStringLiteral("runs dry at %1")
                  .arg(QString::fromStdString(durationText(*verdict.drySeconds, units)))
            : QStringLiteral("does not run dry");
    }

    QString verdictText(const PointVerdict& verdict, const ResultUnits& units)
    {
        return verdict.passed()
            ? QStringLiteral("passed at %1")
                  .arg(QString::fromStdString(durationText(*verdict.passedSeconds, units)))
            : QStringLiteral("not passed");
    }

} // namespace

void paintVerdictTable(PageWriter& writer, const ReportContent& content)
{
    const ScenarioInputs& in = content.inputs;
    if (content.verdicts.empty() && in.ReportSeconds.empty())
        return;
    const ResultUnits& units = in.Units;
    const std::vector<double> times
        = in.ReportSeconds.empty() ? std::vector<double> { in.PumpTimeSeconds } : in.ReportSeconds;
    const QString lengthWord = QString::fromStdString(units.length.word);
    writer.heading(QStringLiteral("Drawdown (%1) at each time, and the verdicts").arg(lengthWord));
    std::vector<double> shares { 0.22 };
    QStringList head { QStringLiteral("Bore or point") };
    for (double seconds : times) {
        shares.push_back(0.40 / static_cast<double>(times.size()));
        head << QString::fromStdString(durationText(seconds, units));
    }
    shares.insert(shares.end(), { 0.14, 0.24 });
    head << QStringLiteral("Available / limit") << QStringLiteral("Verdict");
    writer.line(head, shares, reportFont(8.5, true));
    const Aquifer aquifer = in.aquifer();
    const SourceList sources = sourceListOf(in);
    // A point reads the aquifer over its own screen (seenFrom); a bore over its own.
    auto row = [&](const std::string& name, double x, double y, const QString& threshold,
                   const QString& verdict, const std::vector<double>& values = {}) {
        QStringList cells { QString::fromStdString(name) };
        const Aquifer seen = seenFrom(aquifer, values);
        for (double seconds : times)
            cells << metresOf(units.length.of(drawdownAt(seen, sources, x, y, seconds)));
        cells << threshold << verdict;
        writer.line(cells, shares);
    };
    auto length = [&](double metres) {
        return QStringLiteral("%1 %2").arg(number(units.length.of(metres)), lengthWord);
    };
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        if (!in.pumps(bore))
            continue;
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        const auto verdict = std::find_if(content.verdicts.bores.begin(),
            content.verdicts.bores.end(), [&](const BoreVerdict& v) { return v.bore == bore; });
        const bool judged = verdict != content.verdicts.bores.end();
        row(well.Name, well.X + well.RadiusMetres, well.Y,
            judged ? length(verdict->availableMetres) : QStringLiteral("-"),
            judged ? verdictText(*verdict, units) : QString());
    }
    for (std::size_t p = 0; p < in.Observations.size(); ++p) {
        const ObservationPoint& point = in.Observations[p];
        const auto verdict = std::find_if(content.verdicts.points.begin(),
            content.verdicts.points.end(), [&](const PointVerdict& v) { return v.point == p; });
        const bool judged = verdict != content.verdicts.points.end();
        row(point.Name, point.X, point.Y,
            judged ? length(verdict->limitMetres) : QStringLiteral("-"),
            judged ? verdictText(*verdict, units) : QString(), point.Values);
    }
}

void paintTimeMaps(PageWriter& writer, QPainter& painter, const ReportContent& content)
{
    if (content.timeMaps.empty())
        return;
    writer.skip(Gap);
    writer.heading(QStringLiteral("The map at each time"));
    const double half = (writer.width() - Gap) / 2.0;
    const double height = half * 0.85;
    const QFont font = reportFont(9, true);
    const double titleHeight = QFontMetricsF(font, painter.device()).height() + 2;
    for (std::size_t i = 0; i < content.timeMaps.size(); i += 2) {
        writer.need(titleHeight + height);
        const double top = writer.y();
        for (std::size_t j = i; j < std::min(i + 2, content.timeMaps.size()); ++j) {
            const double left = writer.left() + static_cast<double>(j - i) * (half + Gap);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(left, top, half, titleHeight), Qt::AlignHCenter | Qt::AlignTop,
                content.timeMaps[j].title);
            const QRectF area(left, top + titleHeight, half, std::min(height, writer.room()));
            painter.save();
            painter.setClipRect(area);
            content.timeMaps[j].paint(painter, area);
            painter.restore();
        }
        writer.skip(titleHeight + height + Gap);
    }
}

void paintNorthArrowAndScaleBar(QPainter& painter, const QRectF& area, const MapGeometry& map)
{
    const MapLayout layout = mapLayout(painter.device(), area, map);
    if (!layout.fits || !(map.metres.width() > 0.0))
        return;
    painter.save();
    const QRectF plot = layout.plot;
    const QFont font = reportFont(7.5, true);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    const QColor ground(255, 255, 255, 220);

    // North: the map's Y axis points north.
    const QRectF north(plot.left() + line * 0.4, plot.top() + line * 0.4, line * 1.4, line * 2.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawRect(north);
    const double middle = north.center().x();
    QPolygonF arrow;
    arrow << QPointF(middle, north.top() + line * 1.1)
          << QPointF(middle + line * 0.45, north.bottom() - line * 0.2)
          << QPointF(middle, north.bottom() - line * 0.55)
          << QPointF(middle - line * 0.45, north.bottom() - line * 0.2);
    painter.setBrush(QColor(30, 30, 30));
    painter.drawPolygon(arrow);
    painter.setPen(QColor(30, 30, 30));
    painter.drawText(QRectF(north.left(), north.top(), north.width(), line * 1.1), Qt::AlignCenter,
        QStringLiteral("N"));

    // Scale: a round length near a quarter of the map's width.
    const double metresPerPixel = map.metres.width() / plot.width();
    const std::vector<double> rounds = axisTicks(0.0, map.metres.width() / 4.0, 2);
    const double length = rounds.size() > 1 ? rounds[1] : map.metres.width() / 4.0;
    const double pixels = length / metresPerPixel;
    const QString label = length >= 1000.0 && std::fmod(length, 1000.0) == 0.0
        ? QStringLiteral("%1 km").arg(length / 1000.0)
        : QStringLiteral("%1 m").arg(significantNumber(length, 6));
    const QRectF box(plot.left() + line * 0.4, plot.bottom() - line * 2.2,
        std::max(pixels, metrics.horizontalAdvance(label)) + line * 1.2, line * 1.8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawRect(box);
    const double y = box.bottom() - line * 0.5;
    const double x0 = box.left() + line * 0.6;
    painter.setBrush(QColor(30, 30, 30));
    painter.drawRect(QRectF(x0, y - line * 0.18, pixels / 2.0, line * 0.18));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(30, 30, 30), 0.8));
    painter.drawRect(QRectF(x0 + pixels / 2.0, y - line * 0.18, pixels / 2.0, line * 0.18));
    painter.drawText(QRectF(x0, box.top(), box.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("0    ") + label);
    painter.restore();
}

} // namespace drawfield
