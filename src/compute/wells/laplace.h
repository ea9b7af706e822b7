#pragma once

// Drawdowns known by their Laplace transform, brought back to time: the well functions of delayed
// yield and of wellbore storage have no closed form in t, but a short one in p.
//
// The inversion is Talbot's: the Bromwich integral taken along a contour that wraps the negative
// real axis, where e^(p t) decays, with the midpoint rule in its parameter. Weideman's cotangent
// contour (Weideman 2006, "Optimizing Talbot's contours for the inversion of the Laplace
// transform", SIAM J. Numer. Anal. 44) converges as e^(-1.36 N) in the N points; in doubles it
// reaches about 1e-12 of the value's scale with N = 24, of which 12 are evaluated (the transform
// is real on the real axis). Stehfest's method, the classic in this field, was measured first: on
// Theis' and Hantush's functions it gives at best 8e-5 in doubles (N = 18) and 8e-4 in long double
// (N = 24), the early times worst; it cannot reach a millionth.
//
// The transform must be analytic off the negative real axis and real on the positive one: every
// radial flow transform built from K0 and K1 of sqrt(p) is.

#include <complex>
#include <functional>
#include <map>
#include <utility>

namespace drawfield {

using Complex = std::complex<double>;

// K0(z) and K1(z), the modified Bessel functions of the second kind, for Re z >= 0, z != 0: the
// power series near 0, Steed's continued fraction (Temme's CF2) to |z| = 25, the asymptotic
// series beyond. About 1e-14 relative.
void besselK01(Complex z, Complex& k0, Complex& k1);
// e^z K0(z) and e^z K1(z): the same without the factor that leaves the doubles for large |z|.
void scaledBesselK01(Complex z, Complex& k0, Complex& k1);
[[nodiscard]] Complex besselK0(Complex z);
[[nodiscard]] Complex besselK1(Complex z);

// The points and weights of the inversion at one time: f(t) = sum of Im(weight[i] F(p[i])).
struct TalbotNodes {
    static constexpr int Count = 12;
    Complex p[Count];
    Complex weight[Count];
    explicit TalbotNodes(double t);
};

// f(t) from its transform F(p), t > 0.
[[nodiscard]] double invertLaplace(const std::function<Complex(Complex)>& transform, double t);

// One inversion for every time of [t0, Span t0]: the midpoint rule on a hyperbola fixed for the
// range (Weideman and Trefethen 2007, "Parabolic and hyperbolic contours for computing the
// Bromwich integral", Math. Comp. 76), so a transform that costs much is evaluated Count times
// for all those times, not 12 times for each. Measured on Theis' transform, against E1: 3e-13
// relatively where u <= 5 (the inversion at one time: 2e-12), 7e-11 at u = 10 (1e-8).
class RangeInversion {
public:
    static constexpr int Count = 28;
    static constexpr double Span = 4.0;
    RangeInversion(const std::function<Complex(Complex)>& transform, double t0);
    // f(t), t0 <= t <= Span t0.
    [[nodiscard]] double at(double t) const;

private:
    Complex m_p[Count];
    Complex m_weighted[Count]; // the rule's weight times F(p)
};

// f(t) for a transform asked at many times: one RangeInversion for each [Span^k, Span^(k+1)]
// that a time falls in, made when first asked (made(): one thread at a time), or one made for
// the time alone where none was (at(): any thread, once the ranges are made).
class InversionAlongTime {
public:
    explicit InversionAlongTime(std::function<Complex(Complex)> transform)
        : m_transform(std::move(transform))
    {
    }
    [[nodiscard]] double made(double t);
    [[nodiscard]] double at(double t) const;

private:
    [[nodiscard]] static long long keyOf(double t);

    std::function<Complex(Complex)> m_transform;
    std::map<long long, RangeInversion> m_ranges;
};

} // namespace drawfield
