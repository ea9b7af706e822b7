// The chart component as the window uses it: fills, repaints, rotation, pictures and files.

#include "media/animation.h"
#include "scenario/scenario.h"
#include "support/drawdown_fixtures.h"
#include "support/libwmf.h"
#include "support/paint_counter.h"
#include "views/chart3d.h"
#include "views/chart_geometry.h"
#include "views/grid_sampling.h"
#include "views/map_geometry.h"
#include "views/plot_procedures.h"
#include "views/round_values.h"
#include "views/surface_geometry.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace drawfield;

namespace {

QImage picture(const Chart3D& chart, QSize size = { 640, 480 })
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.paintChart(painter, image.rect());
    return image;
}

PlotSource sourceOf(const ScenarioTexts& texts)
{
    ScenarioReading reading = readScenario(texts);
    return { computedGrid(texts), reading.inputs.XMax, reading.inputs.YMax, reading.inputs.Step,
        {} };
}

// The source as the window hands it over after a run: with its wells and validity zone.
PlotSource runOf(const ScenarioTexts& texts)
{
    ScenarioReading reading = readScenario(texts);
    EngineOptions options;
    options.validity = true;
    DrawdownResult result = *computeDrawdown(reading.inputs, options);
    return { result.grid, reading.inputs.XMax, reading.inputs.YMax, reading.inputs.Step,
        chartOverlays(reading.inputs, result.validity) };
}

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    // The animation's times: from one minute to the pumping time exactly, at equal ratios; and the
    // spacing a preview is computed at: about the nodes asked for, never finer than the
    // scenario's, dividing the map where a slightly coarser one does.
    void animationTimesAndPreviewSpacing()
    {
        const struct {
            double pumpSeconds;
            int frames;
            double first;
        } times[] = { { 86400.0, 40, 60.0 }, { 3600.0, 2, 60.0 }, { 30.0, 5, 3.0 },
            { 8760 * 3600.0, 1000, 60.0 } };
        for (const auto& c : times) {
            const std::vector<double> t = logTimes(c.pumpSeconds, c.frames);
            QCOMPARE(t.size(), std::size_t(c.frames));
            QCOMPARE(t.front(), c.first);
            QCOMPARE(t.back(), c.pumpSeconds);
            for (std::size_t i = 1; i + 1 < t.size(); ++i)
                QVERIFY(std::fabs(t[i] / t[i - 1] - t[i + 1] / t[i]) < 1e-9);
        }
        QCOMPARE(elapsedText(60.0), QStringLiteral("1 min"));
        QCOMPARE(elapsedText(90 * 60.0), QStringLiteral("1.5 h"));
        QCOMPARE(elapsedText(8760 * 3600.0), QStringLiteral("365 d"));

        const struct {
            int xMax, step, nodes, expected;
        } spacings[] = { { 100, 1, 400, 1 }, // small maps keep their lattice
            { 1000, 1, 200, 4 }, // 999 m: no divisor from 4 to 5
            { 1000, 1, 120, 9 }, // 8 asked for, 9 divides 999
            { 1001, 1, 200, 5 }, { 4000, 1, 400, 9 }, { 4000, 20, 400, 20 } };
        for (const auto& c : spacings) {
            ScenarioInputs in = readScenario(ScenarioTexts::example()).inputs;
            in.XMax = in.YMax = static_cast<std::int16_t>(c.xMax);
            in.Step = static_cast<std::int16_t>(c.step);
            QCOMPARE(int(atPictureResolution(in, c.nodes).Step), c.expected);
        }
    }

    void plotMapHandsOverCountsValuesAndSettings_data()
    {
        QTest::addColumn<int>("xMax");
        QTest::addColumn<int>("cellSize");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("valuesSet");
        QTest::newRow("defaults") << 100 << 1 << 100 << QList<int> { 1, 2, 50, 100 };
        QTest::newRow("cell size 5") << 100 << 5 << 20 << QList<int> { 1, 6, 11, 16 };
        QTest::newRow("cell size 2 of 25 m: 12.5 rounds to 12")
            << 25 << 2 << 12 << QList<int> { 1, 3, 5, 7, 9, 11 };
    }
    void plotMapHandsOverCountsValuesAndSettings()
    {
        QFETCH(int, xMax);
        QFETCH(int, cellSize);
        QFETCH(int, count);
        QFETCH(QList<int>, valuesSet);
        PlotSource source = sourceOf(oneWell(xMax / 2, xMax / 2, xMax, cellSize));
        Chart3D chart(Chart3D::Presentation::ContourMap);
        PlotMap(chart, source);

        ChartDataGrid& grid = chart.chartGroup(1)->dataGrid();
        QCOMPARE(grid.rowCount(), count);
        QCOMPARE(grid.columnCount(), count);
        QCOMPARE(grid.rowOrigin(), 1.0);
        QCOMPARE(grid.columnOrigin(), 1.0);
        for (int index = 1; index <= count; ++index) {
            std::optional<double> expected;
            if (valuesSet.contains(index) || (cellSize == 1))
                expected = static_cast<double>(cellSize);
            QCOMPARE(grid.rowValue(index), expected);
            QCOMPARE(grid.columnValue(index), expected);
        }
        QVERIFY(!grid.setRowValue(count + 1, 1.0)); // beyond the count: refused
        QCOMPARE(grid.grid().get(), source.DrawdownGrid.get()); // the same grid, not a copy
        QVERIFY(chart.chartGroup(1)->displayStyle().zonesFilled());
        QVERIFY(!chart.chartGroup(1)->displayStyle().meshShown());
        QVERIFY(chart.isVisibleTo(nullptr) || !chart.isHidden());
        QVERIFY(!chart.isBatched());
        QVERIFY(chart.chartGroup(2) == nullptr);
    }

    void plotCounts_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("count"); // -1: no count before any run
        QTest::newRow("100 / 1") << 100 << 1 << 100;
        QTest::newRow("100 / 5") << 100 << 5 << 20;
        QTest::newRow("25 / 2 to the even 12") << 25 << 2 << 12;
        QTest::newRow("35 / 2 to 18") << 35 << 2 << 18;
        QTest::newRow("5 / 2 to the even 2") << 5 << 2 << 2;
        QTest::newRow("7 / 2 to 4") << 7 << 2 << 4;
        QTest::newRow("before any run, 0 / 0") << 0 << 0 << -1;
    }
    void plotCounts()
    {
        QFETCH(int, maximum);
        QFETCH(int, step);
        QFETCH(int, count);
        std::optional<std::int32_t> got
            = plotCount(static_cast<std::int16_t>(maximum), static_cast<std::int16_t>(step));
        QCOMPARE(got.value_or(-1), count);
    }

    void plot3DSetsEveryMetreWithinTheCounts()
    {
        PlotSource source = sourceOf(oneWell(50, 50, 100, 5));
        Chart3D chart(Chart3D::Presentation::Surface);
        Plot3D(chart, source);
        ChartDataGrid& grid = chart.chartGroup(1)->dataGrid();
        QCOMPARE(grid.rowCount(), 20);
        for (int index = 1; index <= 20; ++index)
            QCOMPARE(grid.rowValue(index), std::optional<double>(5.0));
    }

    void aBatchedFillRepaintsOnce()
    {
        Chart3D chart(Chart3D::Presentation::ContourMap);
        chart.resize(400, 300);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QCoreApplication::processEvents();
        PaintCounter counter(&chart);
        PlotMap(chart, sourceOf(oneWell(50, 50, 100)));
        QCoreApplication::processEvents();
        QCOMPARE(counter.count, 1);

        counter.count = 0;
        chart.setBatched(true);
        chart.chartGroup(1)->displayStyle().setMeshShown(true);
        chart.chartGroup(1)->displayStyle().setMeshShown(false);
        QCoreApplication::processEvents();
        QCOMPARE(counter.count, 0);
        chart.setBatched(false);
        QCoreApplication::processEvents();
        QCOMPARE(counter.count, 1);
    }

    void loadingWithoutAGridIsRefusedAndChangesNothing()
    {
        Chart3D chart(Chart3D::Presentation::ContourMap);
        QImage design = picture(chart);
        Plot3D(chart, PlotSource {}); // before any run: no grid, no counts
        QVERIFY(chart.chartGroup(1)->dataGrid().grid() == nullptr);
        QCOMPARE(picture(chart), design);
        QVERIFY(!chart.chartGroup(1)->dataGrid().loadValues(nullptr));

        PlotSource source = sourceOf(oneWell(50, 50, 100));
        PlotMap(chart, source);
        QImage filled = picture(chart);
        QVERIFY(filled != design);
        QVERIFY(!chart.chartGroup(1)->dataGrid().loadValues(nullptr));
        QCOMPARE(chart.chartGroup(1)->dataGrid().grid().get(), source.DrawdownGrid.get());
        QCOMPARE(picture(chart), filled);
    }

    void latticeOfCellSizeFiveSitsAtItsTrueCoordinates()
    {
        // The same well on a 1 m and a 5 m lattice: the deepest band is drawn around the well's
        // true position in metres on both maps.
        for (int cellSize : { 1, 5 }) {
            PlotSource source = sourceOf(oneWell(71, 31, 100, cellSize));
            Chart3D chart(Chart3D::Presentation::ContourMap);
            PlotMap(chart, source);
            QImage image = picture(chart);

            MapGeometry map = buildMapGeometry(
                sampleDrawdowns(*source.DrawdownGrid, cellSize, cellSize, 400), false, true);
            QPainter painter(&image);
            MapLayout layout = mapLayout(painter.device(), image.rect(), map);
            painter.end();
            QColor deepest = map.scale.bandColour(map.scale.bandCount() - 1);
            QPointF sum;
            int count = 0;
            for (int y = int(layout.plot.top()); y < int(layout.plot.bottom()); ++y)
                for (int x = int(layout.plot.left()); x < int(layout.plot.right()); ++x)
                    if (image.pixelColor(x, y) == deepest) {
                        sum += QPointF(x + 0.5, y + 0.5);
                        ++count;
                    }
            QVERIFY(count > 0);
            QPointF metres = layout.fromMetres.inverted().map(sum / count);
            QVERIFY2(QLineF(metres, QPointF(71, 31)).length() < 2.0,
                qPrintable(QStringLiteral("cell size %1: deepest band around (%2, %3)")
                               .arg(cellSize)
                               .arg(metres.x())
                               .arg(metres.y())));
        }
    }

    void rotationTurnsThePictureAndZeroDoesNot()
    {
        Chart3D chart(Chart3D::Presentation::Surface);
        Plot3D(chart, sourceOf(oneWell(30, 60, 100)));
        QImage before = picture(chart);
        chart.setViewAngle(RotationAxis::Z, 0.0);
        QCOMPARE(picture(chart), before);
        chart.setViewAngle(RotationAxis::Z, 20.0);
        QVERIFY(picture(chart) != before);
        chart.setViewAngle(RotationAxis::Z, 0.0);
        QCOMPARE(picture(chart), before);
    }

    void rotationButtons_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("angles"); // after each of the presses
        QTest::newRow("first press on X") << "20" << 1 << 0 << QList<int> { 20 };
        QTest::newRow("three presses back") << "20" << -1 << 0 << QList<int> { -20, -40, -60 };
        QTest::newRow("2.5 rounds half to even") << "2.5" << 1 << 0 << QList<int> { 2, 4, 6 };
        QTest::newRow("empty step") << "" << 1 << 40 << QList<int> { 40, 40 };
        QTest::newRow("leading number") << "15 degrees" << 1 << 0 << QList<int> { 15 };
        QTest::newRow("out of range keeps the angle") << "20" << 1 << 32760 << QList<int> { 32760 };
    }
    void rotationButtons()
    {
        QFETCH(QString, step);
        QFETCH(int, direction);
        QFETCH(int, start);
        QFETCH(QList<int>, angles);
        Chart3D chart(Chart3D::Presentation::Surface);
        PlotSource source = sourceOf(oneWell(50, 50, 100));
        ViewAngleStore store;
        store.ViewAngleY = static_cast<std::int16_t>(start);
        chart.setViewAngle(RotationAxis::Z, 33.0); // as if turned with the mouse
        for (int expected : angles) {
            rotateView(chart, store, RotationAxis::Y, direction, step, source);
            QCOMPARE(int(store.ViewAngleY), expected);
            QCOMPARE(chart.viewAngles().y, double(expected));
        }
        QCOMPARE(chart.viewAngles().z, 33.0); // the other axes keep their angles
        QCOMPARE(int(store.ViewAngleX), 0);
        QCOMPARE(chart.chartGroup(1)->dataGrid().grid().get(), source.DrawdownGrid.get());
    }

    // Moving the mouse over the map reads out X, Y and the nearest node's drawdown, before and
    // after a run, and nothing off the map.
    void theMapReadsOutWhereTheMouseIs()
    {
        Chart3D chart(Chart3D::Presentation::ContourMap);
        chart.resize(640, 480);
        QVERIFY(chart.hasMouseTracking());
        QImage image = picture(chart);
        QVERIFY(
            chart.readoutAt(QPointF(320, 240)).startsWith(QStringLiteral("X "))); // design state
        QCOMPARE(chart.readoutAt(QPointF(2, 2)), QString());

        PlotSource source = runOf(ScenarioTexts::example());
        PlotMap(chart, source);
        QImage after = picture(chart);
        QPainter painter(&after);
        MapGeometry map
            = buildMapGeometry(sampleDrawdowns(*source.DrawdownGrid, 1, 1, 400), false, true);
        MapLayout layout = mapLayout(&after, QRectF(after.rect()), map);
        const QPointF at = layout.fromMetres.map(QPointF(31.2, 29.8)); // nearest node (31, 30)
        // Beside a bore's marker, the read-out names it too.
        QCOMPARE(chart.readoutAt(at),
            QStringLiteral("X 31 m   Y 30 m   drawdown %1 m   Bore 1")
                .arg(QString::number(-source.DrawdownGrid->at(31, 30), 'g', 4)));
        QCOMPARE(chart.readoutAt(layout.fromMetres.map(QPointF(45.2, 29.8))),
            QStringLiteral("X 45 m   Y 30 m   drawdown %1 m")
                .arg(QString::number(-source.DrawdownGrid->at(45, 30), 'g', 4)));
        QCOMPARE(Chart3D(Chart3D::Presentation::Surface).readoutAt(QPointF(10, 10)), QString());

        // In feet: the read-out, the legend and the levels, round numbers of feet.
        source.length = { "ft", { 0.3048, 1.0 } };
        PlotMap(chart, source);
        (void)picture(chart);
        const MapGeometry inFeet = chartMapGeometry({ source.DrawdownGrid, 1, 1, source.overlays,
            false, true, {}, false, 0, source.length });
        QCOMPARE(inFeet.scale.unit(), QStringLiteral("ft"));
        const MapLayout feetLayout = mapLayout(&after, QRectF(after.rect()), inFeet);
        QCOMPARE(chart.readoutAt(feetLayout.fromMetres.map(QPointF(31.2, 29.8))),
            QStringLiteral("X 31 m   Y 30 m   drawdown %1 ft   Bore 1")
                .arg(QString::number(-source.DrawdownGrid->at(31, 30) / 0.3048, 'g', 4)));
        const std::vector<double> metres = mapLevels(source.DrawdownGrid);
        const std::vector<double> feet = mapLevels(source.DrawdownGrid, 0, source.length.factor);
        QCOMPARE(feet, inFeet.scale.levels());
        QVERIFY(feet.back() > metres.back() / 0.3048 * 0.7); // the same cone, in feet
        QVERIFY(feet.back() <= metres.back() / 0.3048 * 1.5);
    }

    // The wells are labelled markers and the validity zone's edge a dashed line, in every
    // format, the metafile included.
    void wellsAndTheValidityEdgeGoIntoEveryFile()
    {
        QTemporaryDir folder;
        PlotSource source = runOf(ScenarioTexts::example());
        Chart3D map(Chart3D::Presentation::ContourMap), surface(Chart3D::Presentation::Surface);
        map.resize(960, 720);
        surface.resize(960, 720);
        PlotMap(map, source);
        Plot3D(surface, source);
        for (const char* name : { "m.svg", "m.wmf", "s.svg", "s.wmf" }) {
            const QString path = folder.filePath(QLatin1String(name));
            const Chart3D& chart = name[0] == 'm' ? map : surface;
            QCOMPARE(chart.writePictureFile(QFile::encodeName(path).toStdString()), QString());
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.contains("Bore 1") && bytes.contains("Bore 2"), name);
            if (name[0] == 'm') {
                // SVG: a dash pattern; the metafile: a pen of style PS_DASH (1), one pixel wide.
                QVERIFY2(bytes.contains("stroke-dasharray")
                        || bytes.contains(QByteArray("\xFA\x02\x01\x00", 4)),
                    name);
                QVERIFY2(bytes.contains("Cooper-Jacob within 1 %"), name);
            }
        }
        // A Theis run has no zone, so no line.
        ScenarioTexts theis = ScenarioTexts::example();
        theis.method = "theis";
        PlotMap(map, runOf(theis));
        QCOMPARE(map.writePictureFile(
                     QFile::encodeName(folder.filePath(QStringLiteral("t.svg"))).toStdString()),
            QString());
        QFile file(folder.filePath(QStringLiteral("t.svg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("Cooper-Jacob within 1 %"));
    }

    void metafileOpensInLibwmfWithTheBandColours()
    {
        QTemporaryDir folder;
        Chart3D chart(Chart3D::Presentation::ContourMap);
        chart.resize(640, 480);
        PlotMap(chart, sourceOf(oneWell(150, 150)));
        const QString wmf = folder.filePath(QStringLiteral("my_map.wmf"));
        QVERIFY(chart.drawToFile(wmf, 0));
        QString why;
        QImage image = readWithLibwmf(wmf, folder.filePath(QStringLiteral("read back.png")), &why);
        QVERIFY2(!image.isNull(), qPrintable(why));

        // Every band but the deepest covers a ring wide enough to show in the read-back picture.
        MapGeometry expected = buildMapGeometry(
            sampleDrawdowns(*chart.chartGroup(1)->dataGrid().grid(), 1, 1, 400), false, true);
        for (int band = 0; band < expected.scale.bandCount() - 1; ++band) {
            QColor colour = expected.scale.bandColour(band);
            bool found = false;
            for (int y = 0; y < image.height() && !found; ++y)
                for (int x = 0; x < image.width() && !found; ++x) {
                    QColor seen = image.pixelColor(x, y);
                    found = std::abs(seen.red() - colour.red()) <= 2
                        && std::abs(seen.green() - colour.green()) <= 2
                        && std::abs(seen.blue() - colour.blue()) <= 2;
                }
            QVERIFY2(found,
                qPrintable(
                    QStringLiteral("band %1 colour %2 missing").arg(band).arg(colour.name())));
        }
    }

    void picturesInEveryFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("startsWith");
        QTest::newRow("wmf") << "map.wmf" << QByteArray("\xD7\xCD\xC6\x9A", 4);
        QTest::newRow("svg") << "map.svg" << QByteArray("<?xml");
        QTest::newRow("pdf") << "map.pdf" << QByteArray("%PDF");
        QTest::newRow("png") << "MAP.PNG" << QByteArray("\x89PNG");
    }
    void picturesInEveryFormat()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, startsWith);
        QTemporaryDir folder;
        Chart3D chart(Chart3D::Presentation::Surface);
        Plot3D(chart, sourceOf(oneWell(50, 50, 100)));
        QString path = folder.filePath(name);
        QCOMPARE(chart.writePictureFile(QFile::encodeName(path).toStdString()), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(startsWith.size()) == startsWith);
    }

    // The classic call says false for what it cannot write; the picture call says why.
    void unwritableExportsReportFailure()
    {
        QTemporaryDir folder;
        Chart3D chart(Chart3D::Presentation::ContourMap);
        const QString underAFile = folder.filePath(QStringLiteral("my_map.wmf/my_map.wmf"));
        QVERIFY(chart.drawToFile(folder.filePath(QStringLiteral("my_map.wmf")), 0));
        QVERIFY(!chart.drawToFile(underAFile, 0));
        QVERIFY(!chart.drawToFile(QString(), 0)); // a cancelled dialog leaves no name
        QVERIFY(!chart.drawToFile(folder.filePath(QStringLiteral("x.wmf")), 7)); // no such format
        QCOMPARE(chart.writePictureFile(
                     QFile::encodeName(folder.filePath(QStringLiteral("map.bmp"))).toStdString()),
            QStringLiteral("Cannot write the picture ") + folder.filePath(QStringLiteral("map.bmp"))
                + QStringLiteral(": The name must end in .wmf, .svg, .pdf or .png."));
    }
};

QTEST_MAIN(ChartTest)
#include "tst_chart.moc"
