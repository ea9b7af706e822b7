// The curves chart: what it is made of, and that its picture draws drawdown downward on a log
// time axis in every file format.

#include "compute/observations.h"
#include "compute/wells/theis.h"
#include "scenario/scenario.h"
#include "views/curves_chart.h"
#include "views/fit_chart.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace drawfield;

namespace {

ScenarioInputs inputsOf(const ScenarioTexts& texts)
{
    ScenarioReading reading = readScenario(texts);
    if (!reading.accepted())
        throw std::invalid_argument(reading.refusals.front());
    return reading.inputs;
}

ScenarioTexts siteWithPoint()
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.observations[0] = { "P1", "70", "35" };
    return texts;
}

// The rows of the image where a column holds the colour, top to bottom.
std::vector<int> rowsOf(const QImage& image, int column, const QColor& colour)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(column, y);
        if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                + std::abs(c.blue() - colour.blue())
            < 40)
            rows.push_back(y);
    }
    return rows;
}

} // namespace

class CurvesChartTest : public QObject {
    Q_OBJECT
private slots:
    // Schedule hours are marked in time order, only those before the map's time; the profile
    // has its title.
    void theDataOfARun()
    {
        ScenarioTexts texts = siteWithPoint();
        texts.bores[1].schedule = "30:1";
        texts.bores[0].schedule = "12:0, 18:3";
        texts.profile = { "1", "1", "100", "100" };
        CurvesData data = curvesData(inputsOf(texts));
        QCOMPARE(data.marks.size(), std::size_t { 2 }); // hour 30 is after the 24 h map
        QCOMPARE(data.marks[0].hours, 12.0);
        QCOMPARE(data.marks[0].bore, QStringLiteral("Bore 1"));
        QCOMPARE(data.marks[1].rateCubicMetresPerHour, 3.0);
        QCOMPARE(data.curves.names, std::vector<std::string> { "P1" });
        QCOMPARE(data.limits, std::vector<std::optional<double>>(1));
        texts.observations[0].limit = "0.25";
        QCOMPARE(curvesData(inputsOf(texts)).limits, std::vector<std::optional<double>> { 0.25 });
        QCOMPARE(data.profileTitle, QStringLiteral("Profile from (1, 1) to (100, 100) m at 24 h"));
        QVERIFY(data.profile.size() >= 200);

        CurvesData none = curvesData(inputsOf(ScenarioTexts::example()));
        QVERIFY(none.curves.names.empty() && none.profile.empty() && none.marks.empty());
    }

    // With a constant rate the drawdown only grows: the line falls from left to right.
    void drawdownGrowsDownward()
    {
        const CurvesData data = curvesData(inputsOf(siteWithPoint()));
        QImage image(960, 720, QImage::Format_RGB32);
        QPainter painter(&image);
        paintCurves(painter, image.rect(), data);
        painter.end();
        const QColor first(0x00, 0x72, 0xb2);
        int left = -1, right = -1;
        for (int x = 100; x < 900 && (left < 0 || right < 0); ++x) {
            if (left < 0 && !rowsOf(image, x, first).empty())
                left = x;
            if (right < 0 && !rowsOf(image, 960 - x, first).empty())
                right = 960 - x;
        }
        QVERIFY(left > 0 && right > left + 200);
        // The legend's sample sits right of the plot; take the plot's last column instead.
        const int plotRight = right - 150;
        QVERIFY(rowsOf(image, left + 5, first).front() < rowsOf(image, plotRight, first).front());
    }

    // Every format is written; a run without points or profile says what to add.
    // However low the chart, every point has its legend entry: the report's small chart of ten
    // points with long names and eight changes.
    void everyPointHasItsLegendEntry()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.bores[0].schedule = "6:18, 12:0, 18:24, 24:6, 30:0, 36:12, 48:30, 60:0";
        texts.bores[1].schedule = "24:10";
        texts.pumpTime = "72";
        for (std::size_t i = 0; i < texts.observations.size(); ++i)
            texts.observations[i] = { "Grundwassermessstelle " + std::to_string(i) + " lang",
                std::to_string(10 + 8 * i), "40" };
        const CurvesData data = curvesData(inputsOf(texts));
        QByteArray svg;
        QBuffer buffer(&svg);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setResolution(96);
        generator.setSize(QSize(300, 160));
        QPainter painter(&generator);
        paintCurves(painter, QRectF(0, 0, 300, 160), data);
        painter.end();
        QCOMPARE(svg.count("Grundwassermess"), 10);
    }

    void everyFormatIsWritten()
    {
        QTemporaryDir folder;
        CurvesChart chart;
        chart.resize(640, 480);
        ScenarioTexts texts = siteWithPoint();
        texts.profile = { "1", "50", "100", "50" };
        chart.setData(curvesData(inputsOf(texts)));
        for (auto [name, format, magic] :
            { std::tuple { "c.wmf", PictureFormat::Wmf, QByteArray("\xD7\xCD\xC6\x9A") },
                { "c.png", PictureFormat::Png, QByteArray("\x89PNG") },
                { "c.svg", PictureFormat::Svg, QByteArray("<?xml") },
                { "c.pdf", PictureFormat::Pdf, QByteArray("%PDF") } }) {
            const QString path = folder.filePath(QString::fromLatin1(name));
            QCOMPARE(
                chart.writePictureFile(QFile::encodeName(path).toStdString(), format), QString());
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll().startsWith(magic), name);
        }

        QImage empty(640, 480, QImage::Format_RGB32);
        QPainter painter(&empty);
        paintCurves(painter, empty.rect(), CurvesData {});
        painter.end();
        int inked = 0;
        for (int y = 0; y < empty.height(); ++y)
            for (int x = 0; x < empty.width(); ++x)
                inked += empty.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY(inked > 100 && inked < 640 * 480 / 20); // a line of text, no plot
    }

    // The pumping-test chart's log-log panel holds the derivative even where every reading lies
    // above it (late readings only), and a logger's 100,000 readings make a few hundred markers.
    void theFitChartShowsTheDerivativeAndThinsItsMarkers()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.method = "theis";
        const ScenarioInputs inputs = inputsOf(texts);
        for (std::size_t count : { std::size_t { 30 }, std::size_t { 100000 } }) {
            MeasuredPoint late { "late", 40, 30, -1, {}, {} };
            for (std::size_t i = 0; i < count; ++i) {
                const double t
                    = 3600.0 * std::pow(10.0, static_cast<double>(i) / static_cast<double>(count));
                late.Readings.push_back({ t, 0.5 + 0.13 * std::log(t / 3600.0) });
            }
            const FitChartPanels panels = fitChartPanels(fitChartData(inputs, { late }, nullptr));
            const plot::Panel& logLog = panels.diagnostic;
            std::size_t derivatives = 0, markers = 0;
            for (const plot::Series& series : logLog.series) {
                markers += series.points.size();
                for (const QPointF& at : series.points)
                    if (series.style == plot::Series::Style::OpenMarkers && std::isfinite(at.y())) {
                        ++derivatives;
                        QVERIFY2(at.y() >= logLog.yLow && at.y() <= logLog.yHigh,
                            "the derivative is in view");
                    }
            }
            QVERIFY(derivatives > 0);
            QVERIFY(markers <= 2 * 400);
            QVERIFY(panels.semiLog.series.front().points.size() <= 400);
        }
    }

    // Readings on after every bore stopped get the recovery panel: s' against t / t' with Theis'
    // recovery line, whose slope per log cycle is 2.303 Q / (4 pi T) of the aquifer that made
    // them; a test without a stop has none. The log-log panel names its smoothing.
    void theFitChartShowsTheRecovery()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.method = "theis";
        texts.transmissivity = "0.002";
        texts.storage = "0.02";
        texts.pumpTime = "30";
        texts.bores = { { "40", "40", "36", "10:0" } };
        const ScenarioInputs inputs = inputsOf(texts);
        MeasuredPoint point { "P", 70, 40, -1, {}, {} };
        for (double t = 60.0; t < 30 * 3600.0; t *= 1.1)
            point.Readings.push_back({ t, drawdownAt(inputs, point.X, point.Y, t) });
        FitChartData data = fitChartData(inputs, { point }, nullptr);
        QCOMPARE(data.stopSeconds, 36000.0);
        const FitChartPanels panels = fitChartPanels(data);
        QVERIFY(panels.recovery.has_value());
        QVERIFY(panels.diagnostic.title.endsWith(QStringLiteral("(L = 0.2)")));
        const plot::Series& line = panels.recovery->series.back();
        QCOMPARE(line.style, plot::Series::Style::Dashed);
        const double slope
            = (line.points[1].y() - line.points[0].y()) / (line.points[1].x() - line.points[0].x());
        const double expected = std::log(10.0) * 0.01 / (4.0 * M_PI * 0.002);
        QVERIFY2(std::fabs(slope / expected - 1.0) < 0.02, qPrintable(QString::number(slope)));
        for (const QPointF& at : panels.recovery->series.front().points)
            QVERIFY(at.x() > 0.0 && at.y() > 0.0); // after the stop only, t / t' > 1

        texts.bores = { { "40", "40", "36" } };
        const ScenarioInputs pumping = inputsOf(texts);
        FitChartData steady = fitChartData(pumping, { point }, nullptr);
        QVERIFY(!fitChartPanels(steady).recovery);

        // As the type curve, readings a Theis aquifer made lie on Theis' W(u): W = 4 pi T s / Q
        // against 1/u = 4 T t / (r^2 S), with the scenario's T, S, r = 30 m and Q = 36 m3/h.
        MeasuredPoint theis { "P", 70, 40, -1, {}, {} };
        for (double t = 60.0; t < 30 * 3600.0; t *= 1.3)
            theis.Readings.push_back({ t, drawdownAt(pumping, theis.X, theis.Y, t) });
        FitChartData typeCurve = fitChartData(pumping, { theis }, nullptr);
        typeCurve.typeCurve = true;
        const plot::Panel panel = fitChartPanels(typeCurve).diagnostic;
        QVERIFY(panel.title.startsWith(QStringLiteral("Type curve")));
        const plot::Series& readings = panel.series.at(1);
        QCOMPARE(readings.style, plot::Series::Style::Markers);
        QVERIFY(readings.points.size() > 20);
        for (const QPointF& at : readings.points) {
            const double w = theisW(std::pow(10.0, -at.x()));
            QVERIFY2(std::fabs(std::pow(10.0, at.y()) / w - 1.0) < 1e-9,
                qPrintable(QString::number(at.x())));
        }
    }
};

QTEST_MAIN(CurvesChartTest)
#include "tst_curves_chart.moc"
