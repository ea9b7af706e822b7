#include "media/report.h"

#include "media/pdf_info.h"
#include "media/report_pages.h"
#include "media/report_sections.h"

#include "compute/observations.h"
#include "files/atomic_file.h"
#include "files/user_text.h"
#include "scenario/fit_record.h"
#include "views/axis_ticks.h"
#include "views/chart_overlays.h"
#include "views/grid_sampling.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <cmath>
#include <vector>

namespace drawfield {

namespace {

    QString scheduleText(const std::vector<RateChange>& changes, const ResultUnits& units)
    {
        QStringList parts;
        for (const RateChange& change : changes)
            parts << (units.chosen ? QStringLiteral("from %1 %3: %2")
                                         .arg(number(units.time.of(change.StartSeconds)),
                                             number(units.rate.of(change.Rate)),
                                             QString::fromStdString(units.time.word))
                                   : QStringLiteral("from %1 h: %2")
                                         .arg(number(change.StartSeconds / SecondsPerHour),
                                             number(change.Rate * SecondsPerHour)));
        return parts.isEmpty() ? QStringLiteral("constant") : parts.join(QStringLiteral("; "));
    }

    // Paints the pages; returns how many it took.
    int paintPages(QPainter& painter, const QRectF& page, const ReportContent& content,
        const std::function<bool()>& newPage, int pagesInAll)
    {
        const ScenarioInputs& in = content.inputs;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        PageWriter writer(painter, page, newPage, pagesInAll);

        // The head: title, project, client, author and date as [report] gives them, the
        // scenario, the program and when it was made; the notes.
        const ReportHead& head = in.Report;
        auto qt = [](const std::string& value) { return QString::fromStdString(value); };
        writer.line({ head.Title.empty() ? QStringLiteral("Drawdown report") : qt(head.Title) },
            { 1.0 }, reportFont(15, true));
        {
            QStringList cells;
            auto fact = [&](const char* label, const QString& value) {
                if (value.isEmpty())
                    return;
                cells << QStringLiteral("%1: %2").arg(QLatin1String(label), value);
                if (cells.size() == 2) {
                    writer.line(cells, { 0.5, 0.5 }, reportFont(9));
                    cells.clear();
                }
            };
            fact("Project", qt(head.Project));
            fact("Client", qt(head.Client));
            fact("Author", qt(head.Author));
            fact("Date",
                head.Date.empty() ? content.made.toString(QStringLiteral("yyyy-MM-dd"))
                                  : qt(head.Date));
            if (!cells.isEmpty())
                writer.line({ cells.front(), QString() }, { 0.5, 0.5 }, reportFont(9));
        }
        writer.line({ QStringLiteral("Scenario: ") + content.scenarioName,
                        QStringLiteral("Drawfield 2.0, ")
                            + content.made.toString(QStringLiteral("yyyy-MM-dd HH:mm")) },
            { 0.7, 0.3 }, reportFont(9));
        if (!head.Notes.empty())
            writer.line({ qt(head.Notes) }, { 1.0 }, reportFont(9));

        writer.heading(QStringLiteral("Aquifer and pumping"));
        const std::vector<double> pairs { 0.25, 0.25, 0.25, 0.25 };
        // In the units the scenario chose ([units]), with SI beside where they are not it.
        const ResultUnits& units = in.Units;
        auto inUnit
            = [&](const ShownUnit& unit, double si, const QString& own, const char* siWord) {
                  if (!units.chosen)
                      return own;
                  QString text
                      = number(unit.of(si)) + QLatin1Char(' ') + QString::fromStdString(unit.word);
                  if (!(unit.factor == UnitFactor {}) && *siWord != '\0')
                      text += QStringLiteral(" (%1 %2)").arg(number(si), QString::fromUtf8(siWord));
                  return text;
              };
        const QString lengthWord
            = units.chosen ? QString::fromStdString(units.length.word) : QStringLiteral("m");
        auto lengthOf = [&](double metres) { return metresOf(units.length.of(metres)); };
        // A value a fit gave says so, with its interval; the others are as typed.
        auto source = [&](FitParameter parameter, const ShownUnit& unit, bool own, double ownFactor,
                          const char* ownWord) {
            for (const FitEstimate& estimate : content.fitted)
                if (estimate.parameter == parameter) {
                    auto shown = [&](double si) {
                        return own ? number(si * ownFactor, 3) : number(unit.of(si), 3);
                    };
                    return QStringLiteral(", fitted (95 %: %1 to %2 %3)")
                        .arg(shown(estimate.low), shown(estimate.high),
                            own ? QString::fromUtf8(ownWord) : QString::fromStdString(unit.word));
                }
            return QString();
        };
        writer.line({ QStringLiteral("Transmissivity"),
                        inUnit(units.transmissivity, in.Transmissivity,
                            number(in.Transmissivity) + QStringLiteral(" m²/s"), "m²/s")
                            + source(transmissivityParameter(), units.transmissivity, !units.chosen,
                                1.0, "m²/s"),
                        QStringLiteral("Storage coefficient"),
                        inUnit(units.storage, in.Storage,
                            number(in.Storage * PercentPerFraction) + QStringLiteral(" %"), "")
                            + source(storageParameter(), units.storage, !units.chosen,
                                PercentPerFraction, "%") },
            pairs);
        writer.line(
            { QStringLiteral("Pumping time"),
                inUnit(units.time, in.PumpTimeSeconds,
                    number(in.PumpTimeSeconds / SecondsPerHour) + QStringLiteral(" h"), "s"),
                QStringLiteral("Aquifer thickness"),
                inUnit(
                    units.length, in.Thickness, number(in.Thickness) + QStringLiteral(" m"), "m") },
            pairs);
        if (!content.fitSource.isEmpty())
            writer.line({ QStringLiteral("Fitted to"), content.fitSource }, { 0.25, 0.75 });
        writer.line({ QStringLiteral("Method"), QString::fromUtf8(wellFunctionRow(in.Method).label),
                        QStringLiteral("Unconfined correction"),
                        in.Unconfined ? QStringLiteral("yes (Jacob)") : QStringLiteral("no") },
            pairs);
        // The well function's own parameters, as its table names them, and what it derives.
        {
            const WellFunction& row = wellFunctionRow(in.Method);
            QStringList cells;
            auto add = [&](const QString& label, const QString& value) {
                cells << label << value;
                if (cells.size() == 4) {
                    writer.line(cells, pairs);
                    cells.clear();
                }
            };
            for (std::size_t i = 0; i < row.parameters.size(); ++i) {
                const WellParameter& parameter = row.parameters[i];
                if (parameter.scope == ParameterScope::Aquifer)
                    add(QStringLiteral("%1 %2").arg(QString::fromUtf8(parameter.label.data(),
                                                        qsizetype(parameter.label.size())),
                            QString::fromUtf8(
                                parameter.symbol.data(), qsizetype(parameter.symbol.size()))),
                        number(in.AquiferValues.at(i) / parameter.perShownUnit) + QLatin1Char(' ')
                            + QString::fromUtf8(
                                parameter.unit.data(), qsizetype(parameter.unit.size())));
            }
            if (row.reportLines)
                for (const ReportLine& line : row.reportLines(in.aquifer()))
                    add(QString::fromStdString(line.label),
                        QString::fromStdString(line.value + " " + line.unit));
            if (!cells.isEmpty()) {
                while (cells.size() < 4)
                    cells << QString();
                writer.line(cells, pairs);
            }
        }
        // Places as the scenario wrote them: the site's eastings and northings, or local metres.
        auto east = [&](double x) { return number(in.shownX(x), 12); };
        auto north = [&](double y) { return number(in.shownY(y), 12); };
        const QString extent = in.SiteCoordinates && in.Place
            ? QStringLiteral("Eastings from %1 to %2, northings from %3 to %4 m (%5)")
                  .arg(east(in.XMin), east(in.XMax), north(in.YMin), north(in.YMax),
                      QString::fromStdString(in.Place->Crs))
            : in.XMin == in.YMin && in.XMax == in.YMax
            ? QStringLiteral("X and Y from %1 to %2 m").arg(in.XMin).arg(in.XMax)
            : QStringLiteral("X from %1 to %2, Y from %3 to %4 m")
                  .arg(in.XMin)
                  .arg(in.XMax)
                  .arg(in.YMin)
                  .arg(in.YMax);
        // Read at one depth, as a piezometer there reads it, where the scenario says so.
        QString depth;
        const std::span<const WellParameter> own = wellFunctionRow(in.Method).parameters;
        for (std::size_t i = 0; i < own.size() && i < in.MapValues.size() && depth.isEmpty(); ++i)
            if (own[i].scope == ParameterScope::Observation)
                depth = QStringLiteral(", read at %1 m depth").arg(number(in.MapValues[i]));
        writer.line({ QStringLiteral("Map"),
                        extent + QStringLiteral(", nodes every %1 m").arg(in.Step) + depth },
            { 0.25, 0.75 });
        writer.line(
            { QStringLiteral("Georeference"),
                in.Place ? QStringLiteral("E %1, N %2, %3")
                               .arg(number(in.Place->Easting, 12), number(in.Place->Northing, 12),
                                   in.Place->Crs.empty() ? QStringLiteral("no CRS")
                                                         : QString::fromStdString(in.Place->Crs))
                         : QStringLiteral("none: local metres") },
            { 0.25, 0.75 });

        // A report for a client says what the method takes for granted, in plain words.
        const bool forClient = !in.Report.Title.empty() || !in.Report.Client.empty()
            || !in.ReportSeconds.empty() || !content.verdicts.empty() || in.SiteCoordinates;
        if (forClient)
            writer.line({ QStringLiteral("Assumptions"),
                            QString::fromUtf8(wellFunctionRow(in.Method).description)
                                + QStringLiteral(
                                    " The aquifer is taken as uniform and unbounded but for the "
                                    "boundaries given (straight lines: a barrier lets no water "
                                    "across, a recharge line holds the water level); each bore "
                                    "draws from the whole thickness and its own storage is "
                                    "neglected; the drawdowns of all bores, their rate changes and "
                                    "their images across the boundaries add up.")
                                + (in.Unconfined ? QStringLiteral(
                                       " Jacob's correction turns them into the drawdown of a "
                                       "water table.")
                                                 : QString()) },
                { 0.25, 0.75 });

        // A value no aquifer has is almost always a unit slip: said where the inputs are.
        for (const QString& warning : content.warnings)
            writer.line({ QStringLiteral("Warning: ") + warning }, { 1.0 }, reportFont(9, true));

        writer.heading(QStringLiteral("Bores"));
        const std::vector<double> boreColumns { 0.17, 0.08, 0.08, 0.11, 0.32, 0.24 };
        const QString rateWord
            = units.chosen ? QString::fromStdString(units.rate.word) : QStringLiteral("m³/h");
        const QString xHead
            = in.SiteCoordinates ? QStringLiteral("E (m)") : QStringLiteral("X (m)");
        const QString yHead
            = in.SiteCoordinates ? QStringLiteral("N (m)") : QStringLiteral("Y (m)");
        writer.line(
            { QStringLiteral("Bore"), xHead, yHead, QStringLiteral("Rate (%1)").arg(rateWord),
                QStringLiteral("Schedule (%1)").arg(rateWord),
                QStringLiteral("Drawdown in the bore (%1)").arg(lengthWord) },
            boreColumns, reportFont(8.5, true));
        for (int bore = 0; bore < in.boreCount(); ++bore) {
            if (!in.pumps(bore))
                continue;
            const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
            writer.line(
                { QString::fromStdString(well.Name), east(well.X), north(well.Y),
                    number(units.chosen ? units.rate.of(well.Rate) : well.Rate * SecondsPerHour),
                    scheduleText(in.Schedules[static_cast<std::size_t>(bore)], units),
                    lengthOf(drawdownInBore(in, bore))
                        + QStringLiteral(" at r = %1 %2")
                              .arg(number(units.length.of(well.RadiusMetres)), lengthWord) },
                boreColumns);
        }

        if (!in.Boundaries.empty()) {
            writer.heading(QStringLiteral("Boundaries"));
            for (const Boundary& boundary : in.Boundaries)
                writer.line({ QStringLiteral("%1 (%2) through (%3, %4) and (%5, %6) m")
                                    .arg(QLatin1String(boundaryKindLabel(boundary.Kind)),
                                        QLatin1String(boundaryKindMeaning(boundary.Kind)),
                                        east(boundary.X1), north(boundary.Y1), east(boundary.X2),
                                        north(boundary.Y2)) },
                    { 1.0 });
        }

        if (!in.Observations.empty()) {
            writer.heading(QStringLiteral("Observation points"));
            const std::vector<double> columns { 0.46, 0.13, 0.13, 0.28 };
            writer.line({ QStringLiteral("Name"), xHead, yHead,
                            QStringLiteral("Drawdown at %1 %2 (%3)")
                                .arg(number(units.chosen ? units.time.of(in.PumpTimeSeconds)
                                                         : in.PumpTimeSeconds / SecondsPerHour),
                                    units.chosen ? QString::fromStdString(units.time.word)
                                                 : QStringLiteral("h"),
                                    lengthWord) },
                columns, reportFont(8.5, true));
            const Aquifer aquifer = in.aquifer();
            const SourceList sources = sourceListOf(in);
            for (const ObservationPoint& point : in.Observations)
                writer.line({ QString::fromStdString(point.Name), east(point.X), north(point.Y),
                                lengthOf(drawdownAt(seenFrom(aquifer, point.Values), sources,
                                    point.X, point.Y, in.PumpTimeSeconds)) },
                    columns);
        }

        paintVerdictTable(writer, content);

        writer.heading(QStringLiteral("Result"));
        if (!content.mapNote.isEmpty())
            writer.line({ content.mapNote }, { 1.0 });
        // One definition with the summary's: the largest drawdown in a bore, as its table reads
        // it; the map's largest node beside it, said as such.
        const LargestBoreDrawdown inBore = largestBoreDrawdown(in);
        if (inBore.bore >= 0)
            writer.line({ QStringLiteral("Largest drawdown in a bore: %1 %4 in %2, at its "
                                         "radius (%3 %4 from its centre), as in the table above")
                                .arg(lengthOf(inBore.metres))
                                .arg(qt(in.Wells[static_cast<std::size_t>(inBore.bore)].Name))
                                .arg(number(units.length.of(inBore.radiusMetres)))
                                .arg(lengthWord) },
                { 1.0 }, reportFont(9, true));
        writer.line({ QStringLiteral("Largest drawdown on the map's nodes: %1 %4 at (%2, %3)")
                            .arg(lengthOf(content.largestDrawdown))
                            .arg(east(content.largestX))
                            .arg(north(content.largestY))
                            .arg(lengthWord) },
            { 1.0 });
        writer.skip(6);

        // The charts: the map and the surface side by side, then the curves at the full width,
        // each block where the page has room for it, else on the next page.
        const double half = (writer.width() - Gap) / 2.0;
        const double chartsHeight = half * 0.85;
        const double curvesHeight = writer.width() * 0.62;
        auto paintIn = [&](const PaintRoutine& paint, const QRectF& area) {
            if (!paint || area.height() < 40)
                return;
            painter.save();
            painter.setClipRect(area);
            paint(painter, area);
            painter.restore();
        };
        // A report for a client gives the map a page's width and at least half its height; the
        // surface follows, half as wide.
        if (forClient) {
            const double mapHeight = std::min(writer.width() * 0.82, page.height() * 0.55);
            writer.need(mapHeight);
            const double height = std::min(mapHeight, writer.room());
            paintIn(content.map, QRectF(writer.left(), writer.y(), writer.width(), height));
            writer.skip(height + Gap);
            writer.need(chartsHeight);
            paintIn(content.surface,
                QRectF(writer.left() + half / 2.0, writer.y(), half,
                    std::min(chartsHeight, writer.room())));
            writer.skip(std::min(chartsHeight, writer.room()) + Gap);
        } else {
            writer.need(chartsHeight);
            const double top = writer.y();
            const double height = std::min(chartsHeight, writer.room());
            paintIn(content.map, QRectF(writer.left(), top, half, height));
            paintIn(content.surface, QRectF(writer.left() + half + Gap, top, half, height));
            writer.skip(height + Gap);
        }
        if (content.curves) {
            writer.need(writer.width() * 0.3);
            const double curves = std::min(curvesHeight, writer.room());
            paintIn(content.curves, QRectF(writer.left(), writer.y(), writer.width(), curves));
            writer.skip(curves);
        }
        paintTimeMaps(writer, painter, content);
        if (content.fitChart) {
            writer.skip(Gap);
            writer.heading(QStringLiteral("Pumping test"));
            for (const QString& text : content.fitLines)
                writer.line({ text }, { 1.0 });
            writer.need(writer.width() * 0.4);
            const double fitHeight = std::min(writer.width() * 0.66, writer.room());
            paintIn(content.fitChart, QRectF(writer.left(), writer.y(), writer.width(), fitHeight));
            writer.skip(fitHeight);
        }
        writer.finishPage();
        painter.restore();
        return writer.pages();
    }

} // namespace

ReportContent reportContentOf(const ScenarioInputs& inputs,
    const std::shared_ptr<const DrawdownGrid>& grid, const DrawdownPeak& largest,
    const ChartOverlays& overlays, const CurvesData& curves, const QString& scenarioName,
    const ViewAngles& view)
{
    ReportContent content;
    content.inputs = inputs;
    content.grid = grid;
    content.largestDrawdown = largest.drawdown;
    content.largestX = largest.x;
    content.largestY = largest.y;
    content.scenarioName = scenarioName;
    content.made = QDateTime::currentDateTime();
    content.view = view;
    ChartSource source { grid, inputs.Step, inputs.Step, overlays };
    source.length = inputs.Units.length;
    setSiteAxes(source, inputs);
    auto map = std::make_shared<const ChartPicture>(ChartKind::ContourMap, source);
    auto surface = std::make_shared<const ChartPicture>(ChartKind::Surface, source, view);
    content.map = [map](QPainter& painter, const QRectF& area) {
        map->paint(painter, area);
        if (const MapGeometry* geometry = map->map())
            paintNorthArrowAndScaleBar(painter, area, *geometry);
    };
    content.surface
        = [surface](QPainter& painter, const QRectF& area) { surface->paint(painter, area); };
    if (!inputs.Observations.empty() || inputs.ProfileLine)
        content.curves = [curves](QPainter& painter, const QRectF& area) {
            paintCurves(painter, area, curves);
        };
    content.verdicts = verdictsOf(inputs);
    // Values a fit of another scenario gave (--parameters-from), said as fitted with their
    // intervals while they are this scenario's own.
    for (const ScenarioInputs::RecordedInterval& interval : currentIntervals(inputs))
        if (const WellParameter* parameter = parameterOfSymbol(interval.Symbol))
            content.fitted.push_back(
                { parameter, interval.Value, 0.0, interval.Low, interval.High });
    if (!content.fitted.empty())
        content.fitSource = QString::fromStdString(inputs.FitSource);
    addTimeMaps(content);
    return content;
}

void addTimeMaps(ReportContent& content)
{
    const ScenarioInputs& inputs = content.inputs;
    content.timeMaps.clear();
    if (inputs.ReportSeconds.empty())
        return;
    // At the resolution a small picture shows, each time's map, then one scale for them all.
    const ScenarioInputs coarse = atPictureResolution(inputs, ChartSamples::MapSamplesPerSide);
    std::vector<ChartSource> sources;
    double shallowest = 0.0, deepest = 0.0;
    for (double seconds : inputs.ReportSeconds) {
        EngineOptions options;
        options.timeSeconds = seconds;
        const std::optional<DrawdownResult> map = computeDrawdown(coarse, options);
        if (!map)
            return;
        ChartSource source { map->grid, coarse.Step, coarse.Step, chartOverlays(inputs, nullptr) };
        source.length = inputs.Units.length;
        setSiteAxes(source, inputs);
        const std::shared_ptr<const ChartSamples> samples
            = chartSamples(map->grid, coarse.Step, coarse.Step, 0, inputs.Units.length.factor);
        shallowest = sources.empty() ? samples->map.shallowest
                                     : std::min(shallowest, samples->map.shallowest);
        deepest = std::max(deepest, samples->map.deepest);
        sources.push_back(std::move(source));
    }
    ColourScale scale = ColourScale::forDrawdowns(shallowest, deepest);
    scale.setUnit(QString::fromStdString(inputs.Units.length.word));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        sources[i].scale = scale;
        auto picture = std::make_shared<const ChartPicture>(ChartKind::ContourMap, sources[i]);
        content.timeMaps.push_back({ QStringLiteral("After %1")
                                         .arg(QString::fromStdString(
                                             durationText(inputs.ReportSeconds[i], inputs.Units))),
            [picture](QPainter& painter, const QRectF& area) { picture->paint(painter, area); } });
    }
}

double endOfPumpingSeconds(const ScenarioInputs& in)
{
    double end = 0.0;
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        if (!in.pumps(bore))
            continue;
        if (in.rateAt(bore, in.PumpTimeSeconds) != 0.0)
            return in.PumpTimeSeconds;
        // The last change that stopped it, before the scenario's time.
        for (const RateChange& change : in.Schedules[static_cast<std::size_t>(bore)])
            if (change.StartSeconds < in.PumpTimeSeconds && change.Rate == 0.0)
                end = std::max(end, change.StartSeconds);
    }
    return end > 0.0 ? end : in.PumpTimeSeconds;
}

void addPumpingTest(ReportContent& content, const FitChartData& chart, const FitResult* fit,
    const std::string& howToFit, const std::vector<MeasuredPoint>& points)
{
    const std::string summary
        = fit ? fitSummary(*fit) : "The readings, not fitted (" + howToFit + " fits them).";
    if (const double end = endOfPumpingSeconds(content.inputs);
        end < content.inputs.PumpTimeSeconds) {
        ScenarioInputs atEnd = content.inputs;
        atEnd.PumpTimeSeconds = end;
        EngineOptions options;
        options.validity = atEnd.Method == WellMethod::CooperJacob;
        options.validityStride = pictureValidityStride(
            (atEnd.XMax - atEnd.XMin) / atEnd.Step + 1, (atEnd.YMax - atEnd.YMin) / atEnd.Step + 1);
        if (std::optional<DrawdownResult> map = computeDrawdown(atEnd, options)) {
            const QString shown = QStringLiteral("%1 h").arg(number(end / SecondsPerHour));
            const QString scenario = QStringLiteral("%1 h").arg(
                number(content.inputs.PumpTimeSeconds / SecondsPerHour));
            content.inputs = atEnd;
            content.grid = map->grid;
            content.largestDrawdown = map->largest.drawdown;
            content.largestX = map->largest.x;
            content.largestY = map->largest.y;
            ChartSource source { map->grid, atEnd.Step, atEnd.Step,
                chartOverlays(atEnd, map->validity) };
            source.length = atEnd.Units.length;
            setSiteAxes(source, atEnd);
            auto picture = std::make_shared<const ChartPicture>(ChartKind::ContourMap, source);
            auto surface
                = std::make_shared<const ChartPicture>(ChartKind::Surface, source, content.view);
            content.map = [picture](QPainter& painter, const QRectF& area) {
                picture->paint(painter, area);
            };
            content.surface = [surface](QPainter& painter, const QRectF& area) {
                surface->paint(painter, area);
            };
            content.mapNote = QStringLiteral("The drawdowns and the map are those of the end of "
                                             "pumping, at %1; the readings go on to %2 (recovery).")
                                  .arg(shown, scenario);
        }
    }
    content.fitLines.clear();
    for (const QString& text : QString::fromStdString(summary).split(QLatin1Char('\n')))
        if (!text.trimmed().isEmpty())
            content.fitLines << text.trimmed();
    if (!points.empty()) {
        QStringList read;
        for (const MeasuredPoint& point : points)
            read << QStringLiteral("%1 (%2)").arg(QString::fromStdString(point.Name),
                QString::fromStdString(point.File.filename().string()));
        content.fitLines << QStringLiteral("Readings: ") + read.join(QStringLiteral(", "));
    }
    content.fitted = fit && fit->succeeded ? fit->estimates : std::vector<FitEstimate> {};
    content.fitChart
        = [chart](QPainter& painter, const QRectF& area) { paintFitChart(painter, area, chart); };
}

void paintReport(QPainter& painter, const QRectF& page, const ReportContent& content,
    const std::function<bool()>& newPage)
{
    // The pages are counted first, so that each can say "Page 1 of 2".
    QImage scratch(page.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    scratch.setDotsPerMeterX(painter.device()->logicalDpiX() * 10000 / 254);
    scratch.setDotsPerMeterY(painter.device()->logicalDpiY() * 10000 / 254);
    int pages = 1;
    {
        QPainter counting(&scratch);
        pages = paintPages(
            counting, QRectF(QPointF(0, 0), page.size()), content, [] { return true; }, 1);
    }
    paintPages(painter, page, content, newPage, pages);
}

QString reportSubject(const ReportContent& content)
{
    const ScenarioInputs& in = content.inputs;
    int bores = 0;
    for (int bore = 0; bore < in.boreCount(); ++bore)
        bores += in.pumps(bore) ? 1 : 0;
    return QStringLiteral("The drawdown of the water level around %1 pumping bore%2 after %3 h, "
                          "by %4")
        .arg(bores)
        .arg(bores == 1 ? QString() : QStringLiteral("s"))
        .arg(number(in.PumpTimeSeconds / SecondsPerHour))
        .arg(QString::fromUtf8(wellFunctionRow(in.Method).label));
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
        paintReport(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())),
            content, [&writer] { return writer.newPage(); });
        if (!painter.end())
            return failed("the page could not be drawn");
    }
    bytes = withSubject(bytes, reportSubject(content));
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
