#include "compute/wells/neuman.h"

#include "compute/wells/drawdown_history.h"
#include "compute/wells/hantush.h"
#include "compute/wells/laplace.h"
#include "compute/wells/radial_table.h"
#include "compute/wells/theis.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <tuple>
#include <vector>

namespace drawfield {
namespace {

    enum NeumanParameter : std::size_t {
        SpecificYield,
        Anisotropy,
        ScreenTop,
        ScreenBottom,
        ReadTop,
        ReadBottom
    };

    // K0 below e^-42 of the first term's is nothing beside it.
    constexpr double LastExponent = 42.0;
    // Each root costs a Newton solve and a K0 per distance: a bound on the work of one value.
    // It is reached only where r sqrt(Kd) / b is below about 1e-4 (a point far nearer the bore
    // than the aquifer is thick) at early times; there the terms left out are those of depths
    // finer than b / 60000.
    constexpr int MostRoots = 20000;

    // Newton's method on eps sin eps - c cos eps (no poles) from a start near a root, or on
    // eps tan eps - c far off the real axis, where sin and cos leave the doubles; false when it
    // does not settle within `most` steps.
    bool polish(Complex c, Complex& eps, int most = 60)
    {
        for (int i = 0; i < most; ++i) {
            Complex step;
            if (std::fabs(eps.imag()) < 20.0) {
                const Complex sine = std::sin(eps), cosine = std::cos(eps);
                step = (eps * sine - c * cosine) / ((1.0 + c) * sine + eps * cosine);
            } else {
                const Complex tangent = std::tan(eps);
                step = (eps * tangent - c) / (tangent + eps * (1.0 + tangent * tangent));
            }
            eps -= step;
            if (!(std::isfinite(eps.real()) && std::isfinite(eps.imag())))
                return false;
            if (std::norm(step) <= 1e-30 * std::norm(eps) + 1e-300)
                return true;
        }
        return false;
    }

    // eps = centre + sign atan(ratio(eps)), iterated to a millionth, then polished.
    template <typename Ratio> Complex fixedPoint(Complex c, double centre, double sign, Ratio ratio)
    {
        Complex eps = centre;
        for (int i = 0; i < 100; ++i) {
            const Complex next = centre + sign * std::atan(ratio(eps));
            const double moved = std::norm(next - eps);
            eps = next;
            if (moved < 1e-12 * std::norm(eps))
                break;
        }
        polish(c, eps);
        return eps;
    }

    // The roots of eps tan eps = c (one of each pair +-eps), in the order they take for real c > 0:
    // the n-th in (n pi, n pi + pi / 2). Where Re c >= 0 the n-th is eps = n pi + atan(c / eps) (n
    // >= 1), a contraction whose argument keeps off atan's cuts. Where Re c < 0 (the far half of
    // the inversion's contour) that holds only where |eps| is well above |c|; well below it the
    // n-th is eps = (n + 1/2) pi - atan(eps / c); between, one root leaves the real axis for
    // about -i c, and Newton's method from any fixed start strays to a neighbour's root (the sum
    // then counts one twice and loses another: 1e-5 of the drawdown). The roots between are
    // followed instead from where c turns into the right half plane, along the arc of |c|.
    class FreeSurfaceRoots {
    public:
        explicit FreeSurfaceRoots(Complex c)
            : m_c(c)
        {
            if (c.real() >= 0.0)
                return;
            // (Beyond any count of roots asked for, the band is never reached.)
            const double size = std::min(std::abs(c), 1e9);
            m_bandFirst = std::max(0, static_cast<int>(std::floor(Near * size / pi - 1.0)));
            m_bandEnd
                = std::max(m_bandFirst, static_cast<int>(std::ceil(size / (Near * pi) + 0.5)) + 1);
        }

        Complex operator()(int n)
        {
            if (n < m_bandFirst)
                return low(m_c, n);
            if (n >= m_bandEnd)
                return high(m_c, n);
            return followed(n);
        }

        // The end of the roots followed along the arc (0 where Re c >= 0): a sum that counts one
        // of them looks at every root before it.
        [[nodiscard]] int bandEnd() const noexcept { return m_bandEnd; }

    private:
        static constexpr double pi = std::numbers::pi;
        // |eps| below Near |c|, or above |c| / Near: a fixed point's slope |c / (eps^2 + c^2)|
        // is then below 3.6 / |c|, and atan's argument inside the unit circle.
        static constexpr double Near = 0.85;

        static Complex high(Complex c, int n)
        {
            if (n == 0) {
                const double a = pi * pi / 4;
                Complex eps = std::sqrt(c * a / (c + a)); // sqrt(c) for small c, pi / 2 for large
                polish(c, eps);
                return eps;
            }
            return fixedPoint(c, n * pi, 1.0, [c](Complex eps) { return c / eps; });
        }
        static Complex low(Complex c, int n)
        {
            return fixedPoint(c, (n + 0.5) * pi, -1.0, [c](Complex eps) { return eps / c; });
        }

        // A root between from its value at |c| e^(+-0.45 i pi), followed to c in steps of the
        // argument (a predictor from d eps / dc, Newton's method to correct) that halve where
        // the correction is more than a tenth, down to a ten-thousandth of the arc.
        [[nodiscard]] Complex followed(int n) const
        {
            const double size = std::abs(m_c), to = std::arg(m_c);
            const double start = (to >= 0.0 ? 0.45 : -0.45) * pi, least = 1e-4 * (to - start);
            Complex eps = high(std::polar(size, start), n);
            double at = start, h = (to - start) / 16.0;
            while (at != to) {
                const bool last = std::fabs(to - at) <= std::fabs(h) * (1.0 + 1e-9);
                const double next = last ? to : at + h;
                const Complex from = std::polar(size, at), dc = std::polar(size, next) - from;
                const Complex slope = [&] {
                    if (std::fabs(eps.imag()) < 20.0)
                        return std::cos(eps) / ((1.0 + from) * std::sin(eps) + eps * std::cos(eps));
                    const Complex tangent = std::tan(eps);
                    return 1.0 / (tangent + eps * (1.0 + tangent * tangent));
                }();
                const Complex guess = eps + slope * dc;
                Complex found = guess;
                const bool settled = polish(from + dc, found, 8);
                if ((!settled || std::norm(found - guess) > 0.01)
                    && std::fabs(h) > std::fabs(least)) {
                    h *= 0.5;
                    continue;
                }
                if (settled)
                    eps = found;
                else
                    polish(from + dc, eps);
                at = next;
                h *= 1.5;
            }
            return eps;
        }

        Complex m_c;
        int m_bandFirst = 0, m_bandEnd = 0;
    };

    // A bore's screen [h1, h2] and the part read [g1, g2], as heights above the base over the
    // thickness; both the whole thickness for the depth average of a fully penetrating bore.
    struct Penetration {
        double h1 = 0.0, h2 = 1.0, g1 = 0.0, g2 = 1.0;
        [[nodiscard]] bool whole() const
        {
            return h1 <= 0.0 && h2 >= 1.0 && g1 <= 0.0 && g2 >= 1.0;
        }
    };

    Penetration penetrationOf(Interval screen, Interval read, double b)
    {
        // (A depth without a value is the top.)
        auto height = [b](double depth) { return 1.0 - std::fmin(std::fmax(depth / b, 0.0), 1.0); };
        const double h1 = height(screen.bottom), h2 = height(screen.top);
        const double g1 = height(read.bottom), g2 = height(read.top);
        return { std::min(h1, h2), std::max(h1, h2), std::min(g1, g2), std::max(g1, g2) };
    }

    // sin(eps h) and cos(eps h), 0 <= h <= 1; far off the real axis, where they leave the
    // doubles, both over cos eps, in exponentials that stay within them (for Im eps >= 0; the
    // functions are real on the real axis, so conjugate below it).
    constexpr double FarOff = 20.0;
    void sineAndCosine(Complex eps, double h, Complex& sine, Complex& cosine)
    {
        if (std::fabs(eps.imag()) < FarOff) {
            sine = std::sin(eps * h);
            cosine = std::cos(eps * h);
            return;
        }
        const bool below = eps.imag() < 0.0;
        const Complex e = below ? std::conj(eps) : eps, i(0.0, 1.0);
        const Complex up = std::exp(i * e * (1.0 + h)), down = std::exp(i * e * (1.0 - h));
        const Complex denominator = 1.0 + std::exp(2.0 * i * e);
        sine = (up - down) / (i * denominator);
        cosine = (up + down) / denominator;
        if (below) {
            sine = std::conj(sine);
            cosine = std::conj(cosine);
        }
    }

    // (sin(eps h2) - sin(eps h1)) / (h2 - h1), eps cos(eps h) for no length; over cos eps far
    // off the real axis.
    Complex spanFactor(Complex eps, double h1, double h2)
    {
        const double length = h2 - h1;
        Complex sine, cosine;
        if (std::abs(eps) * length < 1.0) {
            // 2 cos(eps m) sin(eps length / 2) / length, without the cancellation of a short span.
            sineAndCosine(eps, 0.5 * (h1 + h2), sine, cosine);
            return length > 0.0 ? 2.0 * cosine * std::sin(0.5 * eps * length) / length
                                : eps * cosine;
        }
        Complex sineLow, cosineLow;
        sineAndCosine(eps, h1, sineLow, cosineLow);
        sineAndCosine(eps, h2, sine, cosine);
        return (sine - sineLow) / length;
    }

    // w_n of a screen and a part read. Near the real axis 1 / cos^2 eps is written (eps^2 + c^2)
    // / eps^2, as it is at a root: a large c puts cos eps near 0, where the root's last digit
    // would be the quotient's first.
    Complex partialWeight(Complex eps, Complex c, const Penetration& part)
    {
        const Complex eps2 = eps * eps;
        const Complex factors
            = spanFactor(eps, part.h1, part.h2) * spanFactor(eps, part.g1, part.g2);
        if (std::fabs(eps.imag()) < FarOff)
            return 2.0 * (eps2 + c * c) / (eps2 * (eps2 + c * c + c)) * factors;
        return 2.0 / (eps2 + c * c + c) * factors;
    }

    // The transform's terms at one point p of the contour: the roots' weights and q_n, as many as
    // the nearest distance asked for needs.
    struct Terms {
        Complex p, front; // front = 1 / (2 pi T p), times the inversion's weight where it has one
        std::vector<Complex> w, q;
        int through = 0; // the terms before it are all looked at (the roots between, below)
        bool falling = true; // the weights fall as n^-4 past |c| (the depth average's do)
    };

    Terms termsAt(const NeumanAquifer& a, Complex p, double rMin, const Penetration& part)
    {
        Terms terms;
        terms.falling = part.whole();
        terms.p = p;
        terms.front = 1.0 / (2.0 * std::numbers::pi * a.transmissivity * p);
        const double b = a.thicknessMetres;
        const Complex c = a.specificYield * b * b * p / (a.anisotropy * a.transmissivity);
        const Complex theis = a.storage * p / a.transmissivity;
        FreeSurfaceRoots roots(c);
        double firstReal = 0.0, heaviest = 0.0;
        for (int n = 0; n < MostRoots; ++n) {
            const Complex eps = roots(n);
            const Complex eps2 = eps * eps;
            const Complex w = terms.falling ? 2.0 * c * c / (eps2 * (eps2 + c * c + c))
                                            : partialWeight(eps, c, part);
            const Complex q = std::sqrt(theis + a.anisotropy * eps2 / (b * b));
            terms.w.push_back(w);
            terms.q.push_back(q);
            heaviest = std::max(heaviest, std::norm(w));
            if (n == 0) {
                firstReal = q.real() * rMin;
                // The root that leaves for -i c decays slower than its neighbours, as
                // Re sqrt(-c^2) = |c| sin(arg c) against their |c|: it is counted wherever it
                // may tell.
                const Complex away = std::sqrt(theis - a.anisotropy * c * c / (b * b)) * rMin;
                if (away.real() <= firstReal + LastExponent)
                    terms.through = std::min(roots.bandEnd(), MostRoots);
            }
            if (n + 1 < terms.through)
                continue;
            // Past |c| the weights fall as n^-4; past the distance K0 falls as e^-q r.
            if (q.real() * rMin > firstReal + LastExponent
                || (terms.falling
                    && eps.real() > 10.0 * (std::fabs(c.real()) + std::fabs(c.imag())) + 10.0
                    && std::norm(w) < 1e-36 * heaviest))
                break;
        }
        return terms;
    }

    // The transform at distance r (not below the terms' rMin): front times the sum of w_n K0(q_n
    // r).
    Complex transformAt(const Terms& terms, double r)
    {
        Complex inner = 0.0;
        const double first = terms.q.front().real() * r;
        for (std::size_t n = 0; n < terms.w.size(); ++n) {
            const bool beyondBand = static_cast<int>(n) >= terms.through;
            if (terms.q[n].real() * r > first + LastExponent) {
                if (beyondBand)
                    break;
                continue;
            }
            const Complex term = terms.w[n] * besselK0(terms.q[n] * r);
            inner += term;
            // Past |c| the weights fall as n^-4: the rest is a third of n terms like it.
            if (n > 8 && beyondBand && terms.falling
                && std::norm(term) * static_cast<double>(n * n) < 1e-32 * std::norm(inner)
                && std::norm(terms.w[n]) < std::norm(terms.w[n - 1]))
                break;
        }
        return terms.front * inner;
    }

    // The terms at the inversion's points for one time, shared by every distance from rMin.
    class Spectrum {
    public:
        Spectrum(const NeumanAquifer& a, double t, double rMin, const Penetration& part)
        {
            const TalbotNodes nodes(t);
            for (int k = 0; k < TalbotNodes::Count; ++k) {
                Terms terms = termsAt(a, nodes.p[k], rMin, part);
                terms.front *= nodes.weight[k];
                m_terms.push_back(std::move(terms));
            }
        }

        [[nodiscard]] double at(double r) const
        {
            double sum = 0.0;
            for (const Terms& terms : m_terms)
                sum += transformAt(terms, r).imag();
            return std::max(sum, 0.0);
        }

    private:
        std::vector<Terms> m_terms;
    };

    // Neuman's drawdown is below Theis' with S alone, which reaches nothing beyond u = 40 in any
    // digit that counts (W = 1e-19).
    constexpr double QuietU = 40.0;

    bool quiet(const NeumanAquifer& a, double r, double t)
    {
        return r * r * a.storage / (4.0 * a.transmissivity * t) > QuietU;
    }

    bool possible(const NeumanAquifer& a)
    {
        for (double value : { a.transmissivity, a.thicknessMetres })
            if (!(value > 0.0 && value < 1e300))
                return false;
        return a.storage > 0.0 && a.storage <= 1.0 && a.specificYield > 0.0
            && a.specificYield <= 1.0 && a.anisotropy >= 1e-5 && a.anisotropy <= 1e3;
    }

} // namespace

double neumanUnitDrawdown(
    const NeumanAquifer& aquifer, double r, double t, Interval screen, Interval read)
{
    // A fit may wander to values no aquifer has: they have no drawdown, and cost nothing. No
    // storage passes 1 (a fraction of the volume); an anisotropy a decade beyond the field's
    // range (1e-4 to 100) is a wall or an open window, and below it a value would cost 20,000
    // roots at each point of the contour.
    if (!possible(aquifer))
        return std::numeric_limits<double>::quiet_NaN();
    if (!(t > 0.0) || quiet(aquifer, r, t))
        return 0.0;
    return Spectrum(aquifer, t, r, penetrationOf(screen, read, aquifer.thicknessMetres)).at(r);
}

std::vector<Complex> freeSurfaceRoots(Complex c, int count)
{
    FreeSurfaceRoots roots(c);
    std::vector<Complex> found;
    for (int n = 0; n < count; ++n)
        found.push_back(roots(n));
    return found;
}

double neumanWellFunction(double u, double sigma, double beta)
{
    // T = 1 m2/s, b = 1 m, Kd = 1, S / Sy = sigma with the larger 1: r = sqrt(beta) m and
    // t = r^2 S / (4 u).
    const double sy = sigma <= 1.0 ? 1.0 : 1.0 / sigma;
    const NeumanAquifer unit { 1.0, sigma * sy, sy, 1.0, 1.0 };
    const double r = std::sqrt(beta);
    return 4.0 * std::numbers::pi * neumanUnitDrawdown(unit, r, r * r * unit.storage / (4.0 * u));
}

} // namespace drawfield

namespace drawfield {
namespace {

    constexpr WellParameter Parameters[] = {
        { "specific_yield", "Sy", "Specific yield", "%", "", Quantity::Storage,
            ParameterScope::Aquifer, 0.01, 100.0, 0.01, std::nullopt, FitScale::Log,
            "The water the water table gives per unit area as it falls, once it has drained." },
        { "anisotropy", "Kd", "Anisotropy Kz/Kr", "", "", Quantity::Ratio, ParameterScope::Aquifer,
            1e-4, 100.0, 1.0, 1.0, FitScale::Log,
            "The vertical conductivity over the horizontal: the smaller, the slower the water "
            "table drains." },
        ScreenParameters[0],
        ScreenParameters[1],
        ScreenParameters[2],
        ScreenParameters[3],
    };

    NeumanAquifer neumanOf(const Aquifer& aquifer)
    {
        return { aquifer.transmissivity, aquifer.storage, aquifer.values.at(SpecificYield),
            aquifer.values.at(Anisotropy), aquifer.thicknessMetres };
    }

    double lnOfDrawdown(double s) { return s > 0.0 ? std::log(s) : -1000.0; }

    // A bore's screen and the part of the thickness a point reads; in the bore, where the point
    // says nothing, the bore's own screen.
    struct Screens {
        Interval screen = WholeThickness, read = WholeThickness;
    };

    Screens screensOf(const SourceTerm& term, double n, const Aquifer& aquifer)
    {
        Screens screens;
        if (!term.bore.empty())
            screens.screen = { term.bore[ScreenTop], term.bore[ScreenBottom] };
        screens.read = { aquifer.values.at(ReadTop), aquifer.values.at(ReadBottom) };
        const double radius = term.boreRadiusMetres;
        if (n <= radius * radius * (1.0 + 1e-9) && screens.read.top <= 0.0
            && screens.read.bottom >= aquifer.thicknessMetres)
            screens.read = screens.screen;
        return screens;
    }

    // The unit drawdown at one distance over time: a table of ln s along t, 0 while Theis' with S
    // alone is nothing yet.
    // Points and curves ask for the same drawdown again and again (a fit's readings, a bore's
    // steps): the values already found are kept, per thread, up to a bound.
    double cachedUnitDrawdown(const NeumanAquifer& a, const Screens& screens, double n, double t)
    {
        using Key = std::tuple<double, double, double, double, double, double, double, double,
            double, double, double>;
        thread_local std::map<Key, double> found;
        const Key key { a.transmissivity, a.storage, a.specificYield, a.anisotropy,
            a.thicknessMetres, screens.screen.top, screens.screen.bottom, screens.read.top,
            screens.read.bottom, n, t };
        if (auto it = found.find(key); it != found.end())
            return it->second;
        if (found.size() > 200000)
            found.clear();
        return found[key] = neumanUnitDrawdown(a, std::sqrt(n), t, screens.screen, screens.read);
    }

} // namespace

WellFunction neumanRow()
{
    WellFunction row { WellMethod::Neuman, "neuman", "Neuman (delayed yield)",
        "An unconfined aquifer whose water table drains with a delay: early the drawdown follows "
        "Theis with the elastic storage S, late Theis with S + Sy; between, it flattens while "
        "the water table drains. Needs the saturated thickness; bores and points may be screened "
        "over part of it, as with partial penetration.",
        Parameters,
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            return term.rate
                * cachedUnitDrawdown(
                    neumanOf(aquifer), screensOf(term, n, aquifer), n, elapsedSeconds);
        },
        // The part that changes with time near the bore: s + Q ln r / (2 pi T) at a radius where
        // every root that counts still has q r small (a thousandth of b / sqrt(Kd)).
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            const NeumanAquifer a = neumanOf(aquifer);
            const double r = 1e-3 * a.thicknessMetres / std::sqrt(a.anisotropy);
            return term.rate
                * (neumanUnitDrawdown(a, r, elapsedSeconds)
                    + std::log(r) / (2.0 * std::numbers::pi * a.transmissivity));
        },
        // Below Theis' drawdown with S alone: its reach serves.
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer,
            double leastMetres) {
            return theisReachSquared(
                term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds, leastMetres);
        },
        [](std::span<const LatticeSource> sources, const Aquifer& aquifer) {
            std::vector<std::shared_ptr<const LatticeTerms>> terms;
            // The unit drawdown along the squared distance at one time: one spectrum shared by
            // the table's distances. (The map's nodes off the bore read the depth the map is
            // read at.)
            const NeumanAquifer a = neumanOf(aquifer);
            for (const LatticeSource& source : sources) {
                const Screens screens
                    = screensOf(source.term, std::numeric_limits<double>::infinity(), aquifer);
                const double t = source.elapsedSeconds;
                auto spectrum = std::make_shared<Spectrum>(a, t, std::sqrt(source.nMin),
                    penetrationOf(screens.screen, screens.read, a.thicknessMetres));
                terms.push_back(std::make_shared<RadialTable>(
                    [a, screens, t](double n) {
                        return neumanUnitDrawdown(a, std::sqrt(n), t, screens.screen, screens.read);
                    },
                    source.term.rate, source.nMin, std::max(source.nMax, 2.0 * source.nMin),
                    QuietU * 4.0 * a.transmissivity * t / a.storage,
                    [spectrum](double n) { return lnOfDrawdown(spectrum->at(std::sqrt(n))); }));
            }
            return terms;
        },
        [](const SourceTerm& unit, double n, const Aquifer& aquifer, double tMin,
            double tMax) -> std::shared_ptr<const TimeProfile> {
            const NeumanAquifer a = neumanOf(aquifer);
            const double r = std::sqrt(n);
            const Screens screens = screensOf(unit, n, aquifer);
            const double tQuiet = n * a.storage / (4.0 * a.transmissivity * QuietU);
            if (!possible(a)) // no drawdown, at no cost
                return std::make_shared<DrawdownHistory>(
                    [](double) { return 0.0; }, tQuiet, tMin, tMax);
            const Penetration part = penetrationOf(screens.screen, screens.read, a.thicknessMetres);
            return std::make_shared<DrawdownHistory>(
                [a, r, part](Complex p) { return transformAt(termsAt(a, p, r, part), r); }, tQuiet,
                tMin, tMax);
        },
        // Kr = T / b and Kz = Kd Kr, as the drainage sees them.
        [](const Aquifer& aquifer) {
            const double kr = aquifer.transmissivity / aquifer.thicknessMetres;
            return std::vector<ReportLine> {
                { "Horizontal conductivity Kr", reportNumber(kr), "m/s" },
                { "Vertical conductivity Kz", reportNumber(kr * aquifer.values.at(Anisotropy)),
                    "m/s" },
            };
        } };
    row.needsThickness = true;
    // A table along time inverts once for each factor 4 of time: 28 transforms, where one value
    // costs 12 (about half the 1.2 values an octave costs, as twice it is asked for).
    row.profileCostPerOctave = 0.6;
    return row;
}

} // namespace drawfield
