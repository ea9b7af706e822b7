#include "views/axis_ticks.h"
#include "views/colour_scale.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace drawfield;

class ColourScaleTest : public QObject {
    Q_OBJECT
private slots:
    void levelsAreRoundAndShowShallowDrawdowns_data()
    {
        QTest::addColumn<double>("shallowest");
        QTest::addColumn<double>("deepest");
        QTest::addColumn<QList<double>>("mustHave");
        QTest::newRow("one metre cone") << 0.0 << 1.69 << QList<double> { 0.05, 0.1, 0.5, 1.0 };
        QTest::newRow("example map: the cone spans little")
            << 0.062 << 0.546 << QList<double> { 0.1, 0.15, 0.2, 0.3, 0.5 };
        QTest::newRow("deep cone") << 0.0 << 23.0 << QList<double> { 0.2, 1.0, 10.0 };
        QTest::newRow("centimetres") << 0.0 << 0.03 << QList<double> { 0.001, 0.01 };
        QTest::newRow("covered map, one decade") << 1.2 << 9.7 << QList<double> { 2.0, 5.0 };
    }
    void levelsAreRoundAndShowShallowDrawdowns()
    {
        QFETCH(double, shallowest);
        QFETCH(double, deepest);
        QFETCH(QList<double>, mustHave);
        ColourScale scale = ColourScale::forDrawdowns(shallowest, deepest);
        const std::vector<double>& levels = scale.levels();
        // 8 to 12 bands, so a hydrogeologist can read the cone.
        QVERIFY2(
            levels.size() >= 7 && levels.size() <= 11, qPrintable(QString::number(levels.size())));
        for (std::size_t i = 0; i < levels.size(); ++i) {
            QVERIFY(levels[i] > std::min(shallowest, deepest / 2) && levels[i] < deepest);
            if (i > 0)
                QVERIFY(levels[i] > levels[i - 1]);
            // Round: at most two significant digits.
            QCOMPARE(tickLabel(levels[i]).remove('.').remove('0').remove('-').size() <= 2, true);
        }
        for (double level : mustHave) {
            bool found = std::any_of(levels.begin(), levels.end(),
                [&](double l) { return std::abs(l - level) < 1e-12; });
            QVERIFY2(found, qPrintable(QStringLiteral("missing level %1").arg(level)));
        }
    }

    void noDrawdownMeansOneBand()
    {
        ColourScale scale = ColourScale::forDrawdowns(0.0, 0.0);
        QCOMPARE(scale.bandCount(), 1);
        QCOMPARE(scale.bandOf(5.0), 0);
    }

    void colourLookupIsClamped_data()
    {
        QTest::addColumn<double>("drawdown");
        QTest::addColumn<int>("band");
        QTest::newRow("below the first level") << 0.05 << 0;
        QTest::newRow("no drawdown") << 0.0 << 0;
        QTest::newRow("negative") << -3.0 << 0;
        QTest::newRow("at the first level") << 0.1 << 1;
        QTest::newRow("between") << 0.35 << 2;
        QTest::newRow("at the last level") << 1.0 << 3;
        QTest::newRow("beyond the last") << 50.0 << 3;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void colourLookupIsClamped()
    {
        QFETCH(double, drawdown);
        QFETCH(int, band);
        ColourScale scale({ 0.1, 0.2, 1.0 });
        QCOMPARE(scale.bandOf(drawdown), band);
        QCOMPARE(scale.colourFor(drawdown), scale.bandColour(band));
    }

    void bandsGetDarkerWithDepth()
    {
        ColourScale scale({ 0.1, 0.2, 0.5, 1.0, 2.0 });
        for (int band = 1; band < scale.bandCount(); ++band)
            QVERIFY(scale.bandColour(band).lightnessF() < scale.bandColour(band - 1).lightnessF());
        QCOMPARE(scale.bandColour(-4), scale.bandColour(0));
        QCOMPARE(scale.bandColour(99), scale.bandColour(scale.bandCount() - 1));
        // The smooth colour meets the band colour at each level.
        QCOMPARE(scale.smoothColourFor(0.0), scale.bandColour(0));
        QCOMPARE(scale.smoothColourFor(0.2).name(), scale.bandColour(2).name());
        QCOMPARE(scale.smoothColourFor(9.0), scale.bandColour(scale.bandCount() - 1));
    }

    void axisTicks_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("default map") << 1.0 << 100.0 << QList<double> { 20, 40, 60, 80, 100 };
        QTest::newRow("negative minimum")
            << -10.0 << 60.0 << QList<double> { -10, 0, 10, 20, 30, 40, 50, 60 };
        QTest::newRow("largest map")
            << 1.0 << 32767.0 << QList<double> { 5000, 10000, 15000, 20000, 25000, 30000 };
        QTest::newRow("depths") << -0.546 << 0.0
                                << QList<double> { -0.5, -0.4, -0.3, -0.2, -0.1, 0 };
        QTest::newRow("empty range") << 5.0 << 5.0 << QList<double> {};
    }
    void axisTicks()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QList<double>, ticks);
        std::vector<double> got = drawfield::axisTicks(low, high, 6);
        QCOMPARE(QList<double>(got.begin(), got.end()), ticks);
    }
};

QTEST_GUILESS_MAIN(ColourScaleTest)
#include "tst_colour_scale.moc"
