// Sampling, contouring and the map picture, without the widget.

#include "support/drawdown_fixtures.h"
#include "views/contours.h"
#include "views/grid_sampling.h"
#include "views/map_geometry.h"

#include <QImage>
#include <QPainter>
#include <QTest>

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
        MapLayout layout = mapLayout(painter, image.rect(), map);
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
};

QTEST_MAIN(MapDrawingTest)
#include "tst_map_drawing.moc"
