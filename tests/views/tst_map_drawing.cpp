// Sampling, contouring and the map picture, without the widget.

#include "compute/engine/drawdown_engine.h"
#include "scenario/scenario.h"
#include "support/drawdown_fixtures.h"
#include "views/chart_geometry.h"
#include "views/chart_overlays.h"
#include "views/contours.h"
#include "views/grid_sampling.h"
#include "views/map_geometry.h"
#include "views/surface_geometry.h"

#include <QBuffer>
#include <QSvgGenerator>

#include <QImage>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace drawfield;

namespace {

// A field whose drawdown is 30 - r (m) around (0, 0), on the lattice -20..20.
SampledField cone()
{
    SampledField field;
    field.xFirst = field.yFirst = -20;
    field.columns = field.rows = 41;
    for (int j = 0; j < 41; ++j)
        for (int i = 0; i < 41; ++i)
            field.drawdowns.push_back(std::max(0.0, 30.0 - std::hypot(i - 20.0, j - 20.0)));
    field.deepest = 30.0;
    field.shallowest = 30.0 - std::hypot(20.0, 20.0);
    return field;
}

QColor pixel(const QImage& image, const QPointF& at) { return image.pixelColor(at.toPoint()); }

} // namespace

class MapDrawingTest : public QObject {
    Q_OBJECT
private slots:
    // The dashed edge and the validity grid are one definition: every node inside the edge is
    // one where Cooper-Jacob holds, and every node outside one where it is off or not judged
    // (too little drawdown, a well's own node). At 18 minutes the node (52, 40), 1 % off and
    // inside a wide line before, lies outside; at 24 h the edge surrounds both cones.
    void theValidityEdgeEnclosesWhereCooperJacobHolds_data()
    {
        QTest::addColumn<double>("hours");
        QTest::newRow("18 minutes") << 0.3;
        QTest::newRow("24 hours") << 24.0;
    }
    void theValidityEdgeEnclosesWhereCooperJacobHolds()
    {
        QFETCH(double, hours);
        ScenarioTexts texts = ScenarioTexts::example();
        texts.pumpTime = QString::number(hours).toStdString();
        const ScenarioInputs inputs = readScenario(texts).inputs;
        EngineOptions options;
        options.validity = true; // every node, as --validity writes it
        const std::optional<DrawdownResult> run = computeDrawdown(inputs, options);
        QVERIFY(run && run->validity);
        const ValidityZone& zone = *run->validity;
        QCOMPARE(zone.stride, 1);
        ChartSource source { run->grid, 1, 1, chartOverlays(inputs, run->validity) };
        const MapGeometry map = chartMapGeometry(source);
        QVERIFY(!map.validityEdge.isEmpty());
        QPainterPath inside = map.validityEdge;
        inside.setFillRule(Qt::OddEvenFill);
        int held = 0;
        for (int m = 0; m < zone.rows; ++m)
            for (int k = 0; k < zone.columns; ++k) {
                const QPointF node(run->grid->nodeX(k), run->grid->nodeY(m));
                const bool wellNode = (node == QPointF(30, 30) || node == QPointF(60, 60));
                if (wellNode)
                    continue; // a carried value, under the edge of what surrounds it
                QVERIFY2(inside.contains(node) == zone.holds(k, m),
                    qPrintable(QStringLiteral("(%1, %2): %3")
                                   .arg(node.x())
                                   .arg(node.y())
                                   .arg(int(zone.at(k, m)))));
                held += zone.holds(k, m);
            }
        QVERIFY(held > 8);
        const bool shortTime = hours < 1.0;
        QCOMPARE(zone.isOff(51, 39), shortTime); // node (52, 40)
        QCOMPARE(inside.contains(QPointF(52, 40)), !shortTime);
    }

    // One colour means one depth: both charts of a run take their levels from the same extremes,
    // those of every node at full resolution, not of their own samples.
    void bothChartsShareLevelsFromTheFullResolutionExtremes()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        auto grid = computedGrid(texts);
        double deepest = 0.0, shallowest = 1e300;
        for (double value : grid->values()) {
            deepest = std::max(deepest, -value);
            shallowest = std::min(shallowest, -value);
        }
        auto samples = chartSamples(grid, 1, 1);
        QCOMPARE(samples, chartSamples(grid, 1, 1)); // one pass serves both charts
        QCOMPARE(samples->map.deepest, deepest);
        QCOMPARE(samples->map.shallowest, shallowest);
        QCOMPARE(samples->surface.shallowest, shallowest);
        const std::vector<double> mapLevels
            = buildMapGeometry(samples->map, false, true).scale.levels();
        const std::vector<double> surfaceLevels
            = buildSurfaceModel(samples->surface, false, true).scale.levels();
        QCOMPARE(QList<double>(mapLevels.begin(), mapLevels.end()),
            QList<double>(surfaceLevels.begin(), surfaceLevels.end()));
        // 8 to 12 bands on the example.
        QVERIFY(mapLevels.size() >= 7 && mapLevels.size() <= 11);
    }

    // A map of one node shows its drawdown; a map without any drawdown still has a Z axis.
    void aMapOfOneNodeOrOfNoDrawdownShowsWhatThereIs()
    {
        auto one = computedGrid(oneWell(5, 5, 1));
        SampledField field = sampleDrawdowns(*one, 1, 1, 400);
        QCOMPARE(field.columns, 1);
        QVERIFY(field.deepest > 0.0);
        MapGeometry map = buildMapGeometry(field, false, true);
        QVERIFY(!map.scale.levels().empty());
        // The deepest level's region covers the whole map: it is drawn in the deepest colour.
        QVERIFY(map.regions.back().contains(map.metres.center()));
        SurfaceModel model = buildSurfaceModel(field, false, true);
        SurfaceProjection surface = projectSurface(model, {});
        QCOMPARE(surface.faces.size(), std::size_t { 1 });

        ScenarioTexts none = oneWell(500, 500, 100);
        none.pumpTime = "0.0001";
        SurfaceModel flat
            = buildSurfaceModel(sampleDrawdowns(*computedGrid(none), 1, 1, 100), false, true);
        QCOMPARE(flat.deepest, 0.0);
        QCOMPARE(QList<double>(flat.zTicks.begin(), flat.zTicks.end()), QList<double> { 0.0 });
    }

    // All angles zero look from the south-east: X runs left to right along the front and falls
    // towards the viewer, Y runs away from the viewer.
    // Crowded wells with long names: every label inside the plot, over no marker and no other
    // label; those without room are shortened or left out, never drawn over another.
    void wellLabelsStayInsideAndApart()
    {
        std::vector<WellMarker> wells;
        for (int i = 0; i < 15; ++i)
            wells.push_back({ 10.0 + (i * 37) % 90, 10.0 + (i * 53) % 90,
                QStringLiteral("Grundwassermessstelle GWM-%1 Hofgut Überlingen").arg(i), i > 4 });
        wells.push_back({ 2, 98, QStringLiteral("Corner"), false });
        const QRectF plot(40, 20, 220, 220);
        const QTransform toPlot = QTransform::fromTranslate(0, -100)
            * QTransform::fromScale(2.2, -2.2) * QTransform::fromTranslate(plot.left(), plot.top());
        QImage image(300, 260, QImage::Format_ARGB32);
        const QFontMetricsF metrics(QFont(), &image);
        const std::vector<WellLabel> labels = wellLabels(plot, toPlot, wells, metrics, 3.0);
        QCOMPARE(labels.size(), wells.size());
        int shown = 0;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (labels[i].box.isNull())
                continue;
            ++shown;
            QVERIFY2(plot.contains(labels[i].box), qPrintable(labels[i].text));
            for (std::size_t j = 0; j < labels.size(); ++j) {
                const QRectF marker(labels[j].at - QPointF(3, 3), QSizeF(6, 6));
                QVERIFY(!labels[i].box.intersects(marker));
                if (j != i && !labels[j].box.isNull())
                    QVERIFY(!labels[i].box.intersects(labels[j].box));
            }
        }
        QVERIFY(shown >= 8);
    }

    void theDefaultViewIsFromTheSouthEast()
    {
        SurfaceModel model = buildSurfaceModel(
            sampleDrawdowns(*computedGrid(oneWell(50, 50, 100)), 1, 1, 100), false, true);
        SurfaceProjection projection = projectSurface(model, {});
        // The first tick labels are X's, then Y's, then Z's.
        const std::size_t xCount = model.xTicks.size(), yCount = model.yTicks.size();
        for (std::size_t i = 1; i < xCount; ++i) {
            QVERIFY(projection.tickLabels[i].at.x() > projection.tickLabels[i - 1].at.x());
            QVERIFY(projection.tickLabels[i].at.y() > projection.tickLabels[i - 1].at.y());
        }
        for (std::size_t i = xCount + 1; i < xCount + yCount; ++i)
            QVERIFY(projection.tickLabels[i].at.y() < projection.tickLabels[i - 1].at.y());
    }

    // Turned views crowd the ticks: the labels drawn never overlap, and each axis keeps its
    // title.
    void surfaceLabelsNeverOverlap_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        QTest::newRow("default") << 0.0 << 0.0 << 0.0;
        QTest::newRow("tilted 60 about X") << 60.0 << 0.0 << 0.0;
        QTest::newRow("45 about each axis") << 45.0 << 45.0 << 45.0;
        QTest::newRow("seen from above") << -60.0 << 0.0 << 90.0;
    }
    void surfaceLabelsNeverOverlap()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, z);
        SurfaceModel model = buildSurfaceModel(
            sampleDrawdowns(*computedGrid(ScenarioTexts::example()), 1, 1, 100), false, true);
        SurfaceProjection projection = projectSurface(model, { x, y, z });
        QImage image(960, 720, QImage::Format_RGB32);
        QPainter painter(&image);
        SurfaceLayout layout = surfaceLayout(painter, image.rect(), projection);
        QVERIFY(layout.fits);
        QStringList titles;
        for (std::size_t a = 0; a < layout.labels.size(); ++a) {
            if (layout.labels[a].text.endsWith(QLatin1String("(m)")))
                titles << layout.labels[a].text;
            QVERIFY(!layout.labels[a].box.intersects(layout.legendArea));
            for (std::size_t b = a + 1; b < layout.labels.size(); ++b)
                QVERIFY2(!layout.labels[a].box.intersects(layout.labels[b].box),
                    qPrintable(layout.labels[a].text + " / " + layout.labels[b].text));
        }
        QCOMPARE(titles.size(), 3);
    }

    // Contour lines carry their values on the map.
    void contourLinesCarryTheirValues()
    {
        auto grid = computedGrid(ScenarioTexts::example());
        MapGeometry map = buildMapGeometry(sampleDrawdowns(*grid, 1, 1, 400), false, true);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setResolution(96);
        svg.setSize(QSize(960, 720));
        {
            QPainter painter(&svg);
            paintMap(painter, QRectF(0, 0, 960, 720), map);
        }
        const QByteArray text = buffer.data();
        // Each label shows in the colour scale once; on the map too for the long lines.
        for (const char* level : { ">0.1<", ">0.15<", ">0.2<" })
            QVERIFY2(text.count(level) >= 2, level);
    }

    void samplingKeepsTheDeepestNode()
    {
        // A narrow cone on a large map: every sample group is many nodes wide.
        ScenarioTexts texts = oneWell(3333, 4321, 5000);
        texts.pumpTime = "0.01";
        auto grid = computedGrid(texts);
        SampledField field = sampleDrawdowns(*grid, 1, 1, 100);
        QCOMPARE(field.columns, 100);
        QCOMPARE(field.rows, 100);
        QCOMPARE(field.xFirst, 1.0);
        QCOMPARE(field.x(99), 5000.0);
        double deepest = 0.0;
        for (double value : grid->values())
            deepest = std::max(deepest, -value);
        QVERIFY(deepest > 0.0);
        QCOMPARE(field.deepest, deepest);
        // ... in the sample nearest the well.
        int column = static_cast<int>(std::lround((3333 - 1) / field.xSpacing));
        int row = static_cast<int>(std::lround((4321 - 1) / field.ySpacing));
        QCOMPARE(field.at(column, row), deepest);
    }

    void samplingTakesLatticeNodesOnly()
    {
        // Cell size 5: the elements between nodes hold 0 and must not be read as nodes.
        auto grid = computedGrid(oneWell(51, 51, 100, 5));
        SampledField field = sampleDrawdowns(*grid, 5, 5, 400);
        QCOMPARE(field.columns, 20);
        QCOMPARE(field.xSpacing, 5.0);
        QCOMPARE(field.x(19), 96.0);
        for (int j = 0; j < field.rows; ++j)
            for (int i = 0; i < field.columns; ++i)
                QCOMPARE(field.at(i, j), -grid->at(1 + 5 * i, 1 + 5 * j));
    }

    void contourOfAConeIsACircle()
    {
        SampledField field = cone();
        std::vector<QPolygonF> loops = contourLoops(field, 24.0); // radius 6 m
        QCOMPARE(loops.size(), std::size_t { 1 });
        QCOMPARE(loops[0].first(), loops[0].last());
        for (const QPointF& point : loops[0])
            QVERIFY2(std::abs(std::hypot(point.x(), point.y()) - 6.0) < 0.15,
                qPrintable(QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y())));
        QCOMPARE(contourLines(loops, QRectF(QPointF(-20, -20), QPointF(20, 20))).size(),
            std::size_t { 1 });
    }

    void regionsReachingTheEdgeCloseAlongIt()
    {
        SampledField field = cone();
        const QRectF map(QPointF(-20, -20), QPointF(20, 20));
        // Drawdown at or beyond 8 m reaches r = 22: past the edges (20), short of the corners.
        std::vector<QPolygonF> loops = contourLoops(field, 8.0);
        QCOMPARE(loops.size(), std::size_t { 1 });
        for (const QPointF& point : loops[0])
            QVERIFY(map.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(point));
        QPainterPath region;
        region.addPolygon(loops[0]);
        QVERIFY(region.contains(QPointF(0, 0)));
        QVERIFY(region.contains(QPointF(-19.5, 0)));
        QVERIFY(!region.contains(QPointF(-19.5, -19.5)));
        // The lines are the four arcs across the corners; the edges are not lines.
        std::vector<QPolygonF> lines = contourLines(loops, map);
        QCOMPARE(lines.size(), std::size_t { 4 });
        for (const QPolygonF& line : lines)
            for (const QPointF& point : line)
                QVERIFY(std::abs(std::hypot(point.x(), point.y()) - 22.0) < 0.2);
    }

    void wellIsDeepestAndFarCornerIsUndisturbed()
    {
        auto grid = computedGrid(oneWell(150, 150));
        MapGeometry map = buildMapGeometry(sampleDrawdowns(*grid, 1, 1, 400), false, true);
        QImage image(800, 600, QImage::Format_RGB32);
        QPainter painter(&image);
        paintMap(painter, image.rect(), map);
        MapLayout layout = mapLayout(painter.device(), image.rect(), map);
        painter.end();
        QVERIFY(layout.fits);

        int deepestBand = map.scale.bandCount() - 1;
        // Next to the well (the well's own node carries its neighbour's value).
        QCOMPARE(pixel(image, layout.fromMetres.map(QPointF(151, 150))),
            map.scale.bandColour(deepestBand));
        QCOMPARE(pixel(image, layout.fromMetres.map(QPointF(295, 295))), map.scale.bandColour(0));
        // Equal scale on both axes.
        QCOMPARE(layout.fromMetres.m11(), -layout.fromMetres.m22());
    }

    // Beyond a boundary there is no aquifer: the samples are blank, the bands and contour lines
    // stop at the line, the picture is white there, the surface has no faces there; across a
    // barrier the contours continue as the image well makes them, meeting it at right angles.
    void boundariesLeaveTheFarSideBlank_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("barrier") << "barrier";
        QTest::newRow("recharge") << "recharge";
    }
    void boundariesLeaveTheFarSideBlank()
    {
        QFETCH(QString, kind);
        ScenarioTexts texts = oneWell(60, 50, 100);
        texts.boundaries[0] = { kind.toStdString(), "30", "0", "30", "100" };
        ScenarioReading reading = readScenario(texts);
        QVERIFY(reading.accepted());
        auto grid = computeDrawdown(reading.inputs)->grid;
        const SampledField field = sampleDrawdowns(*grid, 1, 1, 400);
        for (int i = 0; i < field.columns; ++i)
            QCOMPARE(std::isnan(field.at(i, 10)), field.x(i) < 30.0);
        QVERIFY(std::isfinite(field.deepest) && field.deepest > 0.0);
        const SampledField coarse = coarsened(field, 20);
        QVERIFY(std::isnan(coarse.at(0, 0)) && std::isfinite(coarse.at(coarse.columns - 1, 0)));

        const ChartOverlays overlays = chartOverlays(reading.inputs, nullptr);
        const SampledField continued = continuedBeyondBoundaries(field, overlays.boundaries);
        const double sign = kind == "barrier" ? 1.0 : -1.0;
        // Sample 20 is x = 21, mirrored to x = 39 (sample 38).
        QCOMPARE(continued.at(20, 30), sign * field.at(38, 30));

        MapGeometry map = buildMapGeometry(field, false, true, overlays.boundaries);
        QCOMPARE(map.aquifer.boundingRect(), QRectF(QPointF(30, 1), QPointF(100, 100)));
        for (const QPainterPath& lines : map.lines)
            for (const QPolygonF& line : lines.toSubpathPolygons())
                for (const QPointF& point : line)
                    QVERIFY2(point.x() >= 30.0 - 1e-9, qPrintable(QString::number(point.x())));
        for (const QPainterPath& region : map.regions)
            QVERIFY(!region.contains(QPointF(20, 50)));
        if (kind == "barrier") {
            // No flow across: every contour that reaches the line meets it square on.
            int met = 0;
            for (const QPainterPath& lines : map.lines)
                for (QPolygonF line : lines.toSubpathPolygons())
                    for (int end = 0; end < 2; ++end, std::reverse(line.begin(), line.end())) {
                        if (line.front().x() > 30.0 + 1e-9)
                            continue;
                        const auto away
                            = std::find_if(line.begin(), line.end(), [&](const QPointF& p) {
                                  return QLineF(line.front(), p).length() > 2.0;
                              });
                        if (away == line.end())
                            continue;
                        ++met;
                        const QPointF step = *away - line.front();
                        QVERIFY(std::abs(step.y()) < 0.2 * std::abs(step.x()));
                    }
            QVERIFY2(met >= 2, qPrintable(QString::number(met)));
        }

        QImage image(800, 600, QImage::Format_RGB32);
        QPainter painter(&image);
        paintMap(painter, image.rect(), map);
        const MapLayout layout = mapLayout(painter.device(), image.rect(), map);
        painter.end();
        QCOMPARE(pixel(image, layout.fromMetres.map(QPointF(15, 30))), QColor(Qt::white));
        QVERIFY(pixel(image, layout.fromMetres.map(QPointF(95, 95))) != QColor(Qt::white));

        SurfaceModel model = buildSurfaceModel(coarse, false, true);
        const std::size_t allFaces = static_cast<std::size_t>(coarse.columns - 1)
            * static_cast<std::size_t>(coarse.rows - 1);
        const std::size_t faces = projectSurface(model, {}).faces.size();
        QVERIFY(faces < allFaces && faces > allFaces / 2);
    }

    // The aquifer's part of the map, a boundary's stretch across it and lines cut at it.
    void boundaryGeometry()
    {
        const QRectF map(QPointF(0, 0), QPointF(100, 100));
        const BoundaryOverlay oblique { BoundaryKind::Barrier, QLineF(0, 100, 100, 0), { 10, 10 } };
        const BoundaryOverlay top { BoundaryKind::Recharge, QLineF(0, 80, 1, 80), { 10, 10 } };
        // Below the diagonal: a triangle of half the map.
        QPolygonF half = aquiferWithin(map, { oblique });
        double area = 0.0;
        for (qsizetype i = 0; i < half.size(); ++i)
            area += half[i].x() * half[(i + 1) % half.size()].y()
                - half[(i + 1) % half.size()].x() * half[i].y();
        QCOMPARE(std::abs(area) / 2.0, 5000.0);
        QCOMPARE(aquiferWithin(map, { top }).boundingRect(), QRectF(0, 0, 100, 80));
        QVERIFY(aquiferWithin(
            map, { BoundaryOverlay { BoundaryKind::Barrier, QLineF(-10, 0, -10, 1), { -20, 0 } } })
                    .isEmpty());

        QCOMPARE(stretchAcross(map, top), QLineF(0, 80, 100, 80));
        QCOMPARE(stretchAcross(map, oblique), QLineF(0, 100, 100, 0));
        QVERIFY(stretchAcross(map, { BoundaryKind::Barrier, QLineF(0, 120, 1, 120), { 0, 0 } })
                    .isNull());

        // A line in and out of the aquifer twice gives two pieces ending on the boundary.
        const QPolygonF zigzag({ { 10, 50 }, { 10, 90 }, { 20, 50 }, { 30, 90 }, { 40, 50 } });
        const std::vector<QPolygonF> pieces = clippedToAquifer(zigzag, { top });
        QCOMPARE(pieces.size(), std::size_t { 3 });
        QCOMPARE(pieces[0].back(), QPointF(10, 80));
        QCOMPARE(pieces[1].front(), QPointF(12.5, 80));
        QCOMPARE(pieces[1].back(), QPointF(27.5, 80));
        QCOMPARE(pieces[2].back(), QPointF(40, 50));
    }
};

QTEST_MAIN(MapDrawingTest)
#include "tst_map_drawing.moc"
