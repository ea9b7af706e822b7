// A bore of large diameter with a skin and a well loss against the closed forms it tends to: its
// casing's water early, Theis' at its radius late, the skin's and the loss's exact shares; and
// the bore's level against Papadopulos and Cooper's own integral.

#include "compute/observations.h"
#include "compute/wells/papadopulos_cooper.h"
#include "compute/wells/theis.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace drawfield;

// Papadopulos and Cooper (1967) wrote the bore's level as a real integral over Bessel functions of
// the first and second kind: s = Q / (4 pi T) F(u, alpha), u = rw^2 S / (4 T t), alpha = rw^2 S /
// rc^2, F = (32 alpha^2 / pi^2) integral over b > 0 of (1 - e^(-b^2 / 4u)) / (b^3 D(b)),
// D = (b J0(b) - 2 alpha J1(b))^2 + (b Y0(b) - 2 alpha Y1(b))^2. Gauss-Legendre on ln b here, the
// transform's inversion there: to 1e-7, from the casing's early water to Theis' late drawdown.
TEST(LargeWell, TheBoresLevelIsPapadopulosAndCoopersIntegral)
{
    auto integral = [](double u, double alpha) {
        constexpr double x[5] = { 0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
            0.8650633666889845, 0.9739065285171717 };
        constexpr double w[5] = { 0.2955242247147529, 0.2692667143759111, 0.2190863625159820,
            0.1494513491505806, 0.0666713443086881 };
        auto f = [&](double b) {
            const double j
                = b * std::cyl_bessel_j(0.0, b) - 2.0 * alpha * std::cyl_bessel_j(1.0, b);
            const double y = b * std::cyl_neumann(0.0, b) - 2.0 * alpha * std::cyl_neumann(1.0, b);
            return -std::expm1(-b * b / (4.0 * u)) / (b * b * b * (j * j + y * y));
        };
        const double low = std::log(1e-10), high = std::log(1e4);
        const int intervals = 1500;
        const double half = 0.5 * (high - low) / intervals;
        double sum = 0.0;
        for (int i = 0; i < intervals; ++i) {
            const double middle = low + (2 * i + 1) * half;
            for (int k = 0; k < 5; ++k)
                for (double side : { -1.0, 1.0 }) {
                    const double b = std::exp(middle + side * half * x[k]);
                    sum += half * w[k] * f(b) * b;
                }
        }
        return 32.0 * alpha * alpha / (std::numbers::pi * std::numbers::pi) * sum;
    };
    const double transmissivity = 1e-3, rw = 0.5;
    for (double alpha : { 1e-1, 1e-3, 1e-5 })
        for (double u : { 1.0, 1e-2, 1e-4 }) {
            const LargeWell bore { transmissivity, alpha, rw, rw, 0.0 }; // rc = rw: S = alpha
            const double level = 4.0 * std::numbers::pi * transmissivity
                * largeWellUnitDrawdown(bore, 0.0, rw * rw * alpha / (4.0 * transmissivity * u));
            EXPECT_NEAR(level / integral(u, alpha), 1.0, 1e-7) << "alpha " << alpha << " u " << u;
        }
}

TEST(LargeWell, EarlyTheCasingLateTheisWithTheSkin)
{
    constexpr double pi = std::numbers::pi;
    struct Case {
        double T, S, rw, rc, skin;
    };
    const Case cases[] = {
        { 1e-3, 1e-4, 0.1, 0.1, 0.0 },
        { 1e-2, 1e-3, 0.15, 0.3, 4.0 },
        { 5e-4, 2e-5, 0.5, 0.5, -2.0 },
    };
    for (const Case& c : cases) {
        const LargeWell well { c.T, c.S, c.rw, c.rc, c.skin };
        // Early all of it is the casing's water: s = Q t / (pi rc^2).
        const double early = 1e-10 * c.rc * c.rc / c.T;
        EXPECT_NEAR(
            largeWellUnitDrawdown(well, 0.0, early) / (early / (pi * c.rc * c.rc)), 1.0, 1e-6)
            << c.T << " " << c.rc;
        // Late, Theis at rw and the skin's Q sk / (2 pi T), the casing's share gone as rc^2 / T t.
        const double late = 1e9 * c.rc * c.rc / c.T;
        const double theis = theisW(c.rw * c.rw * c.S / (4.0 * c.T * late)) / (4.0 * pi * c.T)
            + c.skin / (2.0 * pi * c.T);
        EXPECT_NEAR(largeWellUnitDrawdown(well, 0.0, late) / theis, 1.0, 1e-6) << c.T;
        // Far out in the aquifer the skin and the casing change nothing late.
        const double far = theisW(900.0 * c.S / (4.0 * c.T * late)) / (4.0 * pi * c.T);
        EXPECT_NEAR(largeWellUnitDrawdown(well, 30.0, late) / far, 1.0, 1e-6) << c.T;
    }
}

// A loss in C Q^2 follows the bore's rate through its steps and ends with it: the bore's level
// with the loss, less the level without it, is C Q(t)^2 at every time.
TEST(LargeWell, TheWellLossFollowsTheRateSquared)
{
    ScenarioTexts texts;
    texts.method = "papadopulos-cooper";
    texts.pumpTime = "30";
    texts.bores[0] = { "50", "50", "10" };
    texts.bores[0].schedule = "5:40, 12:25, 20:0";
    texts.bores[0].radius = "0.2";
    texts.bores[0].parameters["casing_radius"] = "0.2";
    texts.bores[0].parameters["skin"] = "2";
    texts.bores[1] = { "70", "50", "20" };
    ScenarioReading lossless = readScenario(texts);
    texts.bores[0].parameters["well_loss"] = "0.0005"; // h2/m5: 0.8 m at 40 m3/h
    ScenarioReading lossy = readScenario(texts);
    ASSERT_TRUE(lossy.accepted()) << lossy.refusals.front();
    ASSERT_TRUE(lossless.accepted());
    const struct {
        double hours, rate;
    } table[] = { { 2, 10 }, { 6, 40 }, { 15, 25 }, { 25, 0 } };
    for (const auto& row : table) {
        const double t = row.hours * 3600.0;
        const double with = drawdownAt(lossy.inputs, 50.2, 50.0, t);
        const double without = drawdownAt(lossless.inputs, 50.2, 50.0, t);
        EXPECT_NEAR(with - without, 0.0005 * row.rate * row.rate, 1e-9) << row.hours;
        // The neighbour does not see the loss.
        EXPECT_NEAR(drawdownAt(lossy.inputs, 70.2, 50.0, t),
            drawdownAt(lossless.inputs, 70.2, 50.0, t), 1e-12)
            << row.hours;
    }
}
