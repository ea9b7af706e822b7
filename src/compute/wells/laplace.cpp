#include "compute/wells/laplace.h"

#include <cmath>
#include <numbers>

namespace drawfield {
namespace {

    constexpr double EulerGamma = 0.57721566490153286061;

    // Near 0: K0 = -(ln(z/2) + gamma) I0 + sum (z^2/4)^k / (k!)^2 H_k and
    // K1 = 1/z + ln(z/2) I1 - (z/4) sum (psi(k+1) + psi(k+2)) (z^2/4)^k / (k! (k+1)!).
    void nearZero(Complex z, Complex& k0, Complex& k1)
    {
        const Complex q = 0.25 * z * z;
        const Complex lnHalf = std::log(0.5 * z);
        Complex term0 = 1.0; // (z^2/4)^k / (k!)^2
        Complex term1 = 1.0; // (z^2/4)^k / (k! (k+1)!)
        Complex i0 = 0.0, sum0 = 0.0, i1 = 0.0, sum1 = 0.0;
        double harmonic = 0.0; // H_k
        for (int k = 0; k < 60; ++k) {
            if (k > 0) {
                term0 *= q / (double(k) * double(k));
                term1 *= q / (double(k) * double(k + 1));
                harmonic += 1.0 / k;
            }
            i0 += term0;
            sum0 += term0 * harmonic;
            i1 += term1;
            const double psiSum = 2.0 * harmonic + 1.0 / (k + 1) - 2.0 * EulerGamma;
            sum1 += term1 * psiSum;
            if (std::norm(term0) < 1e-34 * std::norm(i0)
                && std::norm(term1) < 1e-34 * std::norm(i1))
                break;
        }
        k0 = -(lnHalf + EulerGamma) * i0 + sum0;
        k1 = 1.0 / z + lnHalf * (0.5 * z * i1) - 0.25 * z * sum1;
    }

    // Steed's algorithm for the continued fraction CF2 with nu = 0 (Numerical Recipes' bessik,
    // Thompson and Barnett 1987), in complex arithmetic: converges for Re z > 0.
    void continuedFraction(Complex z, Complex& k0, Complex& k1)
    {
        Complex b = 2.0 * (1.0 + z);
        Complex d = 1.0 / b;
        Complex h = d, delh = d;
        Complex q1 = 0.0, q2 = 1.0;
        const double a1 = 0.25;
        Complex q = a1, c = a1;
        double a = -a1;
        Complex s = 1.0 + q * delh;
        for (int i = 1; i < 100000; ++i) {
            a -= 2 * i;
            c = -a * c / (i + 1.0);
            const Complex qnew = (q1 - b * q2) / a;
            q1 = q2;
            q2 = qnew;
            q += c * qnew;
            b += 2.0;
            d = 1.0 / (b + a * d);
            delh = (b * d - 1.0) * delh;
            h += delh;
            const Complex dels = q * delh;
            s += dels;
            if (std::norm(dels) < 1e-32 * std::norm(s))
                break;
        }
        h = a1 * h;
        k0 = std::sqrt(std::numbers::pi / (2.0 * z)) / s; // times e^-z
        k1 = k0 * (z + 0.5 - h) / z;
    }

    // K_nu(z) ~ sqrt(pi / 2z) e^-z sum a_k(nu) / z^k, a_k = prod (4 nu^2 - (2j-1)^2) / (k! 8^k).
    void farFromZero(Complex z, Complex& k0, Complex& k1)
    {
        Complex sum0 = 1.0, sum1 = 1.0, term0 = 1.0, term1 = 1.0;
        for (int k = 1; k < 40; ++k) {
            const double odd = 2.0 * k - 1.0;
            term0 *= -(odd * odd) / (8.0 * k * z);
            term1 *= (4.0 - odd * odd) / (8.0 * k * z);
            sum0 += term0;
            sum1 += term1;
            if (std::norm(term0) < 1e-34 && std::norm(term1) < 1e-34)
                break;
        }
        const Complex front = std::sqrt(std::numbers::pi / (2.0 * z)); // times e^-z
        k0 = front * sum0;
        k1 = front * sum1;
    }

} // namespace

void besselK01(Complex z, Complex& k0, Complex& k1)
{
    scaledBesselK01(z, k0, k1);
    const Complex factor = std::exp(-z);
    k0 *= factor;
    k1 *= factor;
}

void scaledBesselK01(Complex z, Complex& k0, Complex& k1)
{
    // (Squared sizes: a hypot per call costs as much as the series.)
    const double size = std::norm(z);
    if (size <= 4.0) {
        nearZero(z, k0, k1);
        k0 *= std::exp(z);
        k1 *= std::exp(z);
    } else if (size < 625.0) {
        continuedFraction(z, k0, k1);
    } else {
        farFromZero(z, k0, k1);
    }
}

Complex besselK0(Complex z)
{
    Complex k0, k1;
    besselK01(z, k0, k1);
    return k0;
}

Complex besselK1(Complex z)
{
    Complex k0, k1;
    besselK01(z, k0, k1);
    return k1;
}

TalbotNodes::TalbotNodes(double t)
{
    // Weideman's cotangent contour p(theta) = (N / t) (sigma + mu theta cot(alpha theta) + i nu
    // theta), -pi < theta < pi, N midpoints; the halves are conjugate, so f = (h / pi) sum over
    // theta > 0 of Im(e^(p t) F(p) p'(theta)), h = 2 pi / N.
    constexpr int N = 2 * Count;
    constexpr double sigma = -0.6122, mu = 0.5017, alpha = 0.6407, nu = 0.2645;
    const double h = 2.0 * std::numbers::pi / N;
    const double scale = N / t;
    for (int i = 0; i < Count; ++i) {
        const double theta = (i + 0.5) * h;
        const double cot = 1.0 / std::tan(alpha * theta);
        const double sine = std::sin(alpha * theta);
        p[i] = scale * Complex(sigma + mu * theta * cot, nu * theta);
        const Complex slope = scale * Complex(mu * cot - mu * alpha * theta / (sine * sine), nu);
        weight[i] = (h / std::numbers::pi) * std::exp(p[i] * t) * slope;
    }
}

double invertLaplace(const std::function<Complex(Complex)>& transform, double t)
{
    const TalbotNodes nodes(t);
    double sum = 0.0;
    for (int i = 0; i < TalbotNodes::Count; ++i)
        sum += (nodes.weight[i] * transform(nodes.p[i])).imag();
    return sum;
}

RangeInversion::RangeInversion(const std::function<Complex(Complex)>& transform, double t0)
{
    // p(u) = mu (1 + sin(i u - phi)), u > 0 (the conjugate half by symmetry), midpoints of step
    // h; phi, mu and h as the paper's optimum for the range [t0, Span t0].
    constexpr double phi = 1.09, pi = std::numbers::pi;
    const double a
        = ((pi - 2.0 * phi) * Span + 4.0 * phi - pi) / ((4.0 * phi - pi) * std::sin(phi));
    const double width = std::acosh(a);
    const double mu = (4.0 * pi * phi - pi * pi) * Count / (Span * t0 * width);
    const double h = width / Count;
    for (int k = 0; k < Count; ++k) {
        const Complex z((k + 0.5) * h, phi);
        m_p[k] = mu + Complex(0.0, mu) * std::sinh(z);
        const Complex slope = Complex(0.0, mu) * std::cosh(z);
        m_weighted[k] = (h / pi) * slope * transform(m_p[k]);
    }
}

double RangeInversion::at(double t) const
{
    double sum = 0.0;
    for (int k = 0; k < Count; ++k)
        sum += (m_weighted[k] * std::exp(m_p[k] * t)).imag();
    return sum;
}

long long InversionAlongTime::keyOf(double t)
{
    return static_cast<long long>(std::floor(std::log(t) / std::log(RangeInversion::Span)));
}

double InversionAlongTime::made(double t)
{
    if (!(t > 0.0 && t < 1e300))
        return 0.0;
    const long long key = keyOf(t);
    auto it = m_ranges.find(key);
    if (it == m_ranges.end())
        it = m_ranges
                 .try_emplace(
                     key, m_transform, std::pow(RangeInversion::Span, static_cast<double>(key)))
                 .first;
    return it->second.at(t);
}

double InversionAlongTime::at(double t) const
{
    if (!(t > 0.0 && t < 1e300))
        return 0.0;
    const long long key = keyOf(t);
    if (const auto it = m_ranges.find(key); it != m_ranges.end())
        return it->second.at(t);
    return RangeInversion(m_transform, std::pow(RangeInversion::Span, static_cast<double>(key)))
        .at(t);
}

} // namespace drawfield
