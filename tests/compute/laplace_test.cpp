// Bessel functions of complex argument and the inversion of Laplace transforms, against closed
// forms: the Bessel functions of real and imaginary argument, and Theis' and Hantush's functions
// from their transforms.

#include "compute/wells/hantush.h"
#include "compute/wells/laplace.h"
#include "compute/wells/theis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

using namespace drawfield;

TEST(ComplexBessel, AgreesWithRealAndImaginaryArguments)
{
    constexpr double halfPi = std::numbers::pi / 2;
    for (double x : { 1e-6, 0.01, 0.3, 1.0, 1.99, 2.01, 5.0, 12.0, 24.9, 25.1, 60.0, 300.0 }) {
        Complex k0, k1;
        besselK01(Complex(x, 0.0), k0, k1);
        EXPECT_NEAR(k0.real() / std::cyl_bessel_k(0.0, x), 1.0, 1e-13) << x;
        EXPECT_NEAR(k1.real() / std::cyl_bessel_k(1.0, x), 1.0, 1e-13) << x;
        EXPECT_LT(std::abs(k0.imag()), 1e-14 * std::abs(k0.real())) << x;
        if (x > 200.0)
            continue;
        // K0(ix) = -pi/2 (Y0(x) + i J0(x)), K1(ix) = -pi/2 (J1(x) - i Y1(x)).
        besselK01(Complex(1e-300, x), k0, k1);
        const Complex wantK0
            = -halfPi * Complex(std::cyl_neumann(0.0, x), std::cyl_bessel_j(0.0, x));
        const Complex wantK1
            = -halfPi * Complex(std::cyl_bessel_j(1.0, x), -std::cyl_neumann(1.0, x));
        EXPECT_LT(std::abs(k0 - wantK0), 1e-12 * std::abs(wantK0) + 1e-15) << "i " << x;
        EXPECT_LT(std::abs(k1 - wantK1), 1e-12 * std::abs(wantK1) + 1e-15) << "i " << x;
    }
}

// To 1e-9 of the value where W is above 1e-6 (u up to 12); beyond, to 1e-13 of Q / (4 pi T):
// the inversion's rounding is a part of the transform's scale, not of the value.
TEST(LaplaceInversion, TheisAndHantushFromTheirTransforms)
{
    auto holds = [](double inverted, double exact) {
        return std::fabs(inverted - exact) <= std::max(1e-9 * exact, 1e-13);
    };
    for (double u = 1e-8; u < 30.0; u *= 1.37) {
        // r = 1, S / T = 4 u t with t = 1: W(u) = inverse of 2 K0(sqrt(4 u p)) / p.
        const double w = invertLaplace(
            [u](Complex p) { return 2.0 * besselK0(std::sqrt(4.0 * u * p)) / p; }, 1.0);
        EXPECT_TRUE(holds(w, theisW(u))) << "u = " << u << ": " << w << " for " << theisW(u);
        for (double beta : { 0.01, 0.5, 2.0 }) {
            const double leaky = invertLaplace(
                [u, beta](
                    Complex p) { return 2.0 * besselK0(std::sqrt(4.0 * u * p + beta * beta)) / p; },
                1.0);
            const double exact = hantushWellFunction(u, beta);
            EXPECT_TRUE(holds(leaky, exact))
                << "u = " << u << " r/B " << beta << ": " << leaky << " for " << exact;
        }
    }
}

// The inversion shared by the times of a range, held to the same as the inversion at one time:
// one transform (r^2 S / T = 1) asked from u = 30 down to 1e-8, across many ranges and their ends.
TEST(LaplaceInversion, OneInversionServesEveryTimeOfItsRange)
{
    for (double beta : { 0.0, 0.01, 0.5, 2.0 }) {
        int evaluations = 0;
        InversionAlongTime inversion([beta, &evaluations](Complex p) {
            ++evaluations;
            return 2.0 * besselK0(std::sqrt(p + beta * beta)) / p;
        });
        int times = 0;
        for (double t = 1.0 / 120.0; t < 2.5e7; t *= 1.13, ++times) {
            const double u = 1.0 / (4.0 * t), exact = hantushWellFunction(u, beta);
            const double w = inversion.made(t);
            EXPECT_LE(std::fabs(w - exact), std::max(1e-10 * exact, 1e-13))
                << "u = " << u << " r/B " << beta << ": " << w << " for " << exact;
        }
        // One range of a factor 4 serves some eleven of these times.
        EXPECT_LT(evaluations, times * 3) << beta;
        // Asked from any thread, the ranges made serve as made, and a time outside them is
        // inverted alike on its own.
        const InversionAlongTime& shared = inversion;
        EXPECT_EQ(shared.at(3.0), inversion.made(3.0));
        const int before = evaluations;
        EXPECT_EQ(shared.at(1e12), InversionAlongTime(inversion).made(1e12));
        EXPECT_EQ(evaluations, before + 2 * RangeInversion::Count);
    }
    // A time no range holds has no value, and costs nothing.
    InversionAlongTime never([](Complex) -> Complex { throw std::logic_error("evaluated"); });
    for (double t : { 0.0, -1.0, std::nan(""), 1e308 * 10.0 })
        EXPECT_EQ(never.made(t), 0.0) << t;
}
