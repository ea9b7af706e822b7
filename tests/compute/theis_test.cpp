// The Theis well function and drawdown against published values and an independent evaluation.

#include "compute/wells/cooper_jacob.h"
#include "compute/wells/theis.h"
#include "support/well_function_reference.h"

#include <boost/math/special_functions/expint.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace drawfield;

// Abramowitz and Stegun, Handbook of Mathematical Functions, table 5.1, and the well-function
// tables of hydrogeology texts (W(u) for u = 1e-10 is 22.4486), to the digits they print.
TEST(WellFunction, PublishedValues)
{
    struct Row {
        double u, w, printedTo;
    };
    const Row table[] = {
        { 1e-10, 22.4486352651, 1e-10 },
        { 0.01, 4.0379295765, 1e-10 },
        { 0.5, 0.5597735947761608, 1e-15 },
        { 1.0, 0.2193839343955203, 1e-15 },
        { 2.0, 0.04890051070806112, 1e-16 },
        { 5.0, 0.001148295591275326, 1e-17 },
        { 10.0, 4.156968929685324e-6, 1e-20 },
    };
    for (const Row& row : table)
        EXPECT_NEAR(theisW(row.u), row.w, row.printedTo) << "u = " << row.u;
}

// Relative error at most 1e-14 from u = 1e-300 to 700, against the long double series and
// continued fraction, on a log-spaced sweep and at the points hydrogeologists read most.
TEST(WellFunction, AgreesWithAnIndependentEvaluationFrom1em300To700)
{
    std::vector<double> points = { 1e-300, 1e-10, 0.01, 0.5, 1.0, 5.0, 50.0, 700.0 };
    for (double e = -300.0; e <= std::log10(700.0); e += 0.013)
        points.push_back(std::pow(10.0, e));
    double worst = 0.0, worstU = 0.0;
    for (double u : points) {
        const long double reference = referenceWellFunction(u);
        const double relative = static_cast<double>(
            std::fabs((static_cast<long double>(theisW(u)) - reference) / reference));
        if (relative > worst) {
            worst = relative;
            worstU = u;
        }
    }
    EXPECT_LE(worst, 1e-14) << "at u = " << worstU;
}

// The program evaluates W itself, with Boost.Math's rational approximations and a logarithm that
// runs in the vector units (Boost's own call was too slow for a Theis map): held to Boost.
TEST(WellFunction, HeldToBoost)
{
    double worst = 0.0, worstU = 0.0;
    for (double e = -300.0; e <= std::log10(700.0); e += 0.0007) {
        const double u = std::pow(10.0, e);
        const double boost = boost::math::expint(1, u);
        const double relative = std::fabs(theisW(u) - boost) / boost;
        if (relative > worst) {
            worst = relative;
            worstU = u;
        }
    }
    EXPECT_LE(worst, 1e-15) << "at u = " << worstU;

    // A row of values through the vector path gives the same bits as one by one, on both sides
    // of u = 1 and at the edges.
    std::vector<double> row;
    for (double u = 1e-12; u < 800.0; u *= 1.37)
        row.push_back(u);
    row.insert(row.end(), { 1.0, 0.0, 5e-320, 720.0 });
    std::vector<double> out(row.size());
    theisWOf(row.data(), out.data(), static_cast<int>(row.size()));
    for (std::size_t i = 0; i < row.size(); ++i)
        EXPECT_EQ(out[i], theisW(row[i])) << "u = " << row[i];
}

TEST(WellFunction, EdgesOfItsDomain)
{
    EXPECT_EQ(theisW(0.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(theisW(720.0), 0.0); // underflows
    EXPECT_GT(theisW(700.0), 0.0);
    EXPECT_TRUE(std::isnan(theisW(-1.0)));
    double batch[3] = { 0.5, 1.0, 720.0 }, out[3];
    theisWOf(batch, out, 3);
    EXPECT_EQ(out[0], theisW(0.5));
    EXPECT_EQ(out[2], 0.0);
}

// Cooper-Jacob is Theis's straight-line limit: where u < 1e-3 they agree to 0.1 % (the dropped
// terms are about u, the rounded constants 3.1416 and 2.249 add 0.02 %); farther out
// Cooper-Jacob falls short, by 2 % at u = 0.05 and 79 % at u = 0.5.
TEST(TheisWell, CooperJacobIsItsLimitNearTheWell)
{
    const double Q = 0.01, T = 0.003, S = 0.04, t = 86400;
    TheisWell theis(Q, T, S, t);
    CooperJacobWell cooperJacob(Q, T, S, t);
    EXPECT_EQ(theis.A, Q / (4 * std::numbers::pi * T));
    for (double r : { 1.0, 2.0, 3.0, 5.0 }) {
        double n = r * r;
        ASSERT_LT(theis.u(n), 1e-3);
        EXPECT_NEAR(cooperJacob.contribution(n) / theis.contribution(n), 1.0, 1e-3) << "r = " << r;
    }
    // The straight line leaves out Ein(u) > 0: it falls short everywhere.
    auto shortfall = [](double u) {
        double line = -0.5772156649015329 - std::log(u);
        return (line - theisW(u)) / theisW(u);
    };
    EXPECT_NEAR(shortfall(0.05), -0.02, 0.005);
    EXPECT_NEAR(shortfall(0.5), -0.79, 0.01);
}
