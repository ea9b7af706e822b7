#include "media/report.h"

#include "compute/observations.h"
#include "files/atomic_file.h"
#include "files/user_text.h"
#include "views/axis_ticks.h"
#include "views/chart_overlays.h"

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

    constexpr double Margin = 48.0; // half an inch
    constexpr double Gap = 12.0; // between the charts

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
        return significantNumber(value, digits);
    }

    QString metresOf(double value)
    {
        return std::isnan(value) ? QStringLiteral("none") : QString::number(value, 'f', 3);
    }

    // Writes the report down its pages: lines of cells that wrap within their share of the
    // width, headings, and blocks of a given height, each starting a new page where the page
    // has no room left for it. Every page ends with its number.
    class PageWriter {
    public:
        PageWriter(QPainter& painter, const QRectF& page, const std::function<bool()>& newPage,
            int pagesInAll)
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
                m_painter.drawText(QRectF(x, m_y, width - 6, height),
                    flags[static_cast<std::size_t>(i)], cells[i]);
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

        // Title, scenario and date.
        writer.line({ QStringLiteral("Drawdown report") }, { 1.0 }, reportFont(15, true));
        writer.line({ QStringLiteral("Scenario: ") + content.scenarioName,
                        QStringLiteral("Drawfield 2.0, ")
                            + content.made.toString(QStringLiteral("yyyy-MM-dd HH:mm")) },
            { 0.7, 0.3 }, reportFont(9));

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
        writer.line({ QStringLiteral("Transmissivity"),
                        inUnit(units.transmissivity, in.Transmissivity,
                            number(in.Transmissivity) + QStringLiteral(" m²/s"), "m²/s"),
                        QStringLiteral("Storage coefficient"),
                        inUnit(units.storage, in.Storage,
                            number(in.Storage * PercentPerFraction) + QStringLiteral(" %"), "") },
            pairs);
        writer.line(
            { QStringLiteral("Pumping time"),
                inUnit(units.time, in.PumpTimeSeconds,
                    number(in.PumpTimeSeconds / SecondsPerHour) + QStringLiteral(" h"), "s"),
                QStringLiteral("Aquifer thickness"),
                inUnit(
                    units.length, in.Thickness, number(in.Thickness) + QStringLiteral(" m"), "m") },
            pairs);
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

        // A value no aquifer has is almost always a unit slip: said where the inputs are.
        for (const QString& warning : content.warnings)
            writer.line({ QStringLiteral("Warning: ") + warning }, { 1.0 }, reportFont(9, true));

        writer.heading(QStringLiteral("Bores"));
        const std::vector<double> boreColumns { 0.09, 0.08, 0.08, 0.11, 0.4, 0.24 };
        const QString rateWord
            = units.chosen ? QString::fromStdString(units.rate.word) : QStringLiteral("m³/h");
        writer.line({ QStringLiteral("Bore"), QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
                        QStringLiteral("Rate (%1)").arg(rateWord),
                        QStringLiteral("Schedule (%1)").arg(rateWord),
                        QStringLiteral("Drawdown in the bore (%1)").arg(lengthWord) },
            boreColumns, reportFont(8.5, true));
        for (int bore = 0; bore < in.boreCount(); ++bore) {
            if (!in.pumps(bore))
                continue;
            const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
            writer.line(
                { QString::fromStdString(well.Name), QString::number(well.X),
                    QString::number(well.Y),
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
                                        number(boundary.X1), number(boundary.Y1),
                                        number(boundary.X2), number(boundary.Y2)) },
                    { 1.0 });
        }

        if (!in.Observations.empty()) {
            writer.heading(QStringLiteral("Observation points"));
            const std::vector<double> columns { 0.46, 0.13, 0.13, 0.28 };
            writer.line({ QStringLiteral("Name"), QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
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
                writer.line({ QString::fromStdString(point.Name), number(point.X), number(point.Y),
                                lengthOf(drawdownAt(
                                    aquifer, sources, point.X, point.Y, in.PumpTimeSeconds)) },
                    columns);
        }

        writer.heading(QStringLiteral("Result"));
        if (!content.mapNote.isEmpty())
            writer.line({ content.mapNote }, { 1.0 });
        // One definition with the summary's: the largest drawdown in a bore, as its table reads
        // it; the map's largest node beside it, said as such.
        const LargestBoreDrawdown inBore = largestBoreDrawdown(in);
        if (inBore.bore >= 0)
            writer.line({ QStringLiteral("Largest drawdown in a bore: %1 %4 in Bore %2, at its "
                                         "radius (%3 %4 from its centre), as in the table above")
                                .arg(lengthOf(inBore.metres))
                                .arg(inBore.bore + 1)
                                .arg(number(units.length.of(inBore.radiusMetres)))
                                .arg(lengthWord) },
                { 1.0 }, reportFont(9, true));
        writer.line({ QStringLiteral("Largest drawdown on the map's nodes: %1 %4 at (%2, %3)")
                            .arg(lengthOf(content.largestDrawdown))
                            .arg(content.largestX)
                            .arg(content.largestY)
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
        writer.need(chartsHeight);
        const double top = writer.y();
        const double height = std::min(chartsHeight, writer.room());
        paintIn(content.map, QRectF(writer.left(), top, half, height));
        paintIn(content.surface, QRectF(writer.left() + half + Gap, top, half, height));
        writer.skip(height + Gap);
        if (content.curves) {
            writer.need(writer.width() * 0.3);
            const double curves = std::min(curvesHeight, writer.room());
            paintIn(content.curves, QRectF(writer.left(), writer.y(), writer.width(), curves));
            writer.skip(curves);
        }
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

    // A PDF string of any text: UTF-16 with its byte-order mark, in hexadecimal.
    QByteArray pdfText(const QString& text)
    {
        QByteArray hex = "<FEFF";
        for (QChar c : text)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return hex + ">";
    }

    // Adds /Subject to the document information of a PDF as an incremental update: the
    // information dictionary again, with the subject, in a new cross-reference section.
    QByteArray withSubject(const QByteArray& pdf, const QString& subject)
    {
        const QRegularExpression trailer(
            QStringLiteral("trailer\\s*<<(.*?)>>\\s*startxref\\s*(\\d+)"),
            QRegularExpression::DotMatchesEverythingOption);
        QRegularExpressionMatchIterator found = trailer.globalMatch(QString::fromLatin1(pdf));
        QRegularExpressionMatch last;
        while (found.hasNext())
            last = found.next();
        if (!last.hasMatch())
            return pdf;
        const QString dictionary = last.captured(1);
        const QRegularExpressionMatch info
            = QRegularExpression(QStringLiteral("/Info\\s+(\\d+)\\s+0\\s+R")).match(dictionary);
        const QRegularExpressionMatch size
            = QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(dictionary);
        if (!info.hasMatch() || !size.hasMatch())
            return pdf;
        const QByteArray object = info.captured(1).toLatin1();
        const qsizetype at = pdf.indexOf("\n" + object + " 0 obj");
        const qsizetype open = at < 0 ? -1 : pdf.indexOf("<<", at);
        const qsizetype close = open < 0 ? -1 : pdf.indexOf(">>", open);
        if (close < 0)
            return pdf;
        QByteArray updated = pdf;
        if (!updated.endsWith('\n'))
            updated += '\n';
        const qsizetype offset = updated.size();
        updated += object + " 0 obj\n<<" + pdf.mid(open + 2, close - open - 2) + "/Subject "
            + pdfText(subject) + "\n>>\nendobj\n";
        const qsizetype xref = updated.size();
        updated += "xref\n0 1\n0000000000 65535 f \n" + object + " 1\n"
            + QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \ntrailer\n<<"
            + dictionary.toLatin1() + "/Prev " + last.captured(2).toLatin1() + "\n>>\nstartxref\n"
            + QByteArray::number(xref) + "\n%%EOF\n";
        return updated;
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
    auto map = std::make_shared<const ChartPicture>(ChartKind::ContourMap, source);
    auto surface = std::make_shared<const ChartPicture>(ChartKind::Surface, source, view);
    content.map = [map](QPainter& painter, const QRectF& area) { map->paint(painter, area); };
    content.surface
        = [surface](QPainter& painter, const QRectF& area) { surface->paint(painter, area); };
    if (!inputs.Observations.empty() || inputs.ProfileLine)
        content.curves = [curves](QPainter& painter, const QRectF& area) {
            paintCurves(painter, area, curves);
        };
    return content;
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
    const std::string& howToFit)
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
