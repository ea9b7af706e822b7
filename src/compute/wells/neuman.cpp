#include "compute/wells/neuman.h"

#include "compute/wells/drawdown_history.h"
#include "compute/wells/hantush.h"
#include "compute/wells/laplace.h"
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

    enum NeumanParameter : std::size_t { SpecificYield, Anisotropy };

    // K0 below e^-42 of the first term's is nothing beside it.
    constexpr double LastExponent = 42.0;
    // Each root costs a Newton solve and a K0 per distance: a bound on the work of one value.
    // It is reached only where r sqrt(Kd) / b is below about 1e-4 (a point far nearer the bore
    // than the aquifer is thick) at early times; there the terms left out are those of depths
    // finer than b / 60000.
    constexpr int MostRoots = 20000;

    // The root of eps tan eps = c near the n-th one of real c, by Newton's method on
    // eps sin eps - c cos eps (no poles), from a start that holds for small and large c alike.
    Complex rootOf(Complex c, int n)
    {
        constexpr double pi = std::numbers::pi;
        Complex eps;
        if (n == 0) {
            const double a = pi * pi / 4;
            eps = std::sqrt(c * a / (c + a));
        } else {
            eps = n * pi + (pi / 2) * c / (c + n * pi * pi / 2);
        }
        for (int i = 0; i < 60; ++i) {
            const Complex sine = std::sin(eps), cosine = std::cos(eps);
            const Complex g = eps * sine - c * cosine;
            const Complex slope = (1.0 + c) * sine + eps * cosine;
            const Complex step = g / slope;
            eps -= step;
            if (std::norm(step) <= 1e-30 * std::norm(eps) + 1e-300)
                break;
        }
        return eps;
    }

    // The transform's terms at one point p of the contour: the roots' weights and q_n, as many as
    // the nearest distance asked for needs.
    struct Terms {
        Complex p, front; // front = 1 / (2 pi T p) times the inversion's weight
        std::vector<Complex> w, q;
    };

    class Spectrum {
    public:
        Spectrum(const NeumanAquifer& a, double t, double rMin)
        {
            const TalbotNodes nodes(t);
            const double b = a.thicknessMetres;
            for (int k = 0; k < TalbotNodes::Count; ++k) {
                Terms terms;
                terms.p = nodes.p[k];
                terms.front
                    = nodes.weight[k] / (2.0 * std::numbers::pi * a.transmissivity * terms.p);
                const Complex c
                    = a.specificYield * b * b * terms.p / (a.anisotropy * a.transmissivity);
                const Complex theis = a.storage * terms.p / a.transmissivity;
                double firstReal = 0.0;
                for (int n = 0; n < MostRoots; ++n) {
                    const Complex eps = rootOf(c, n);
                    const Complex eps2 = eps * eps;
                    const Complex w = 2.0 * c * c / (eps2 * (eps2 + c * c + c));
                    const Complex q = std::sqrt(theis + a.anisotropy * eps2 / (b * b));
                    terms.w.push_back(w);
                    terms.q.push_back(q);
                    if (n == 0)
                        firstReal = q.real() * rMin;
                    // Past |c| the weights fall as n^-4; past the distance K0 falls as e^-q r.
                    if (q.real() * rMin > firstReal + LastExponent
                        || (eps.real() > 10.0 * (std::fabs(c.real()) + std::fabs(c.imag())) + 10.0
                            && std::norm(w) < 1e-36 * std::norm(terms.w.front())))
                        break;
                }
                m_terms.push_back(std::move(terms));
            }
        }

        [[nodiscard]] double at(double r) const
        {
            double sum = 0.0;
            for (const Terms& terms : m_terms) {
                Complex inner = 0.0;
                const double first = terms.q.front().real() * r;
                for (std::size_t n = 0; n < terms.w.size(); ++n) {
                    if (terms.q[n].real() * r > first + LastExponent)
                        break;
                    const Complex term = terms.w[n] * besselK0(terms.q[n] * r);
                    inner += term;
                    // Past |c| the weights fall as n^-4: the rest is a third of n terms like it.
                    if (n > 8
                        && std::norm(term) * static_cast<double>(n * n) < 1e-32 * std::norm(inner)
                        && std::norm(terms.w[n]) < std::norm(terms.w[n - 1]))
                        break;
                }
                sum += (terms.front * inner).imag();
            }
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

} // namespace

double neumanUnitDrawdown(const NeumanAquifer& aquifer, double r, double t)
{
    // A fit may wander to values no aquifer has: they have no drawdown, and cost nothing.
    const NeumanAquifer& a = aquifer;
    for (double value :
        { a.transmissivity, a.storage, a.specificYield, a.anisotropy, a.thicknessMetres })
        if (!(value > 0.0 && value < 1e300))
            return std::numeric_limits<double>::quiet_NaN();
    if (!(t > 0.0) || quiet(aquifer, r, t))
        return 0.0;
    return Spectrum(aquifer, t, r).at(r);
}

double neumanWellFunction(double u, double sigma, double beta)
{
    // r = 1 m, T = 1 m2/s, S = 1, b = 1 m: t = 1 / (4 u), Sy = 1 / sigma, Kd = beta.
    const NeumanAquifer unit { 1.0, 1.0, 1.0 / sigma, beta, 1.0 };
    return 4.0 * std::numbers::pi * neumanUnitDrawdown(unit, 1.0, 0.25 / u);
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
    };

    NeumanAquifer neumanOf(const Aquifer& aquifer)
    {
        return { aquifer.transmissivity, aquifer.storage, aquifer.values.at(SpecificYield),
            aquifer.values.at(Anisotropy), aquifer.thicknessMetres };
    }

    double lnOfDrawdown(double s) { return s > 0.0 ? std::log(s) : -1000.0; }

    // The unit drawdown along the squared distance at one time: one spectrum, a table of ln s.
    class RadialTerms final : public LatticeTerms {
    public:
        RadialTerms(const NeumanAquifer& a, double t, double nMin, double nMax, double rate)
            : m_aquifer(a)
            , m_t(t)
            , m_rate(rate)
            , m_nQuiet(QuietU * 4.0 * a.transmissivity * t / a.storage)
        {
            const double end = std::min(nMax, m_nQuiet);
            if (!(end > nMin))
                return;
            auto spectrum = std::make_shared<Spectrum>(a, t, std::sqrt(nMin));
            m_table = LnWTable(
                [spectrum](double n) { return lnOfDrawdown(spectrum->at(std::sqrt(n))); }, nMin,
                end);
        }
        void alongRow(long long first, int count, double d2, double* out) const override
        {
            double* n = out + count;
            for (int i = 0; i < count; ++i) {
                const double j = static_cast<double>(first + i);
                n[i] = j * j + d2;
            }
            atSquaredDistances(n, count, out);
        }
        void atSquaredDistances(const double* n, int count, double* out) const override
        {
            if (m_table.empty()) {
                for (int i = 0; i < count; ++i)
                    out[i] = at(n[i]);
                return;
            }
            m_table.at(n, out, count);
            for (int i = 0; i < count; ++i)
                out[i] = n[i] > m_nQuiet ? 0.0 : m_rate * out[i];
        }
        [[nodiscard]] double at(double n) const override
        {
            return m_rate * neumanUnitDrawdown(m_aquifer, std::sqrt(n), m_t);
        }

    private:
        NeumanAquifer m_aquifer;
        double m_t, m_rate, m_nQuiet;
        LnWTable m_table;
    };

    // The unit drawdown at one distance over time: a table of ln s along t, 0 while Theis' with S
    // alone is nothing yet.
    // Points and curves ask for the same drawdown again and again (a fit's readings, a bore's
    // steps): the values already found are kept, per thread, up to a bound.
    double cachedUnitDrawdown(const NeumanAquifer& a, double n, double t)
    {
        using Key = std::tuple<double, double, double, double, double, double, double>;
        thread_local std::map<Key, double> found;
        const Key key { a.transmissivity, a.storage, a.specificYield, a.anisotropy,
            a.thicknessMetres, n, t };
        if (auto it = found.find(key); it != found.end())
            return it->second;
        if (found.size() > 200000)
            found.clear();
        return found[key] = neumanUnitDrawdown(a, std::sqrt(n), t);
    }

} // namespace

WellFunction neumanRow()
{
    WellFunction row { WellMethod::Neuman, "neuman", "Neuman (delayed yield)",
        "An unconfined aquifer whose water table drains with a delay: early the drawdown follows "
        "Theis with the elastic storage S, late Theis with S + Sy; between, it flattens while "
        "the water table drains. Needs the saturated thickness.",
        Parameters,
        [](const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer) {
            return term.rate * cachedUnitDrawdown(neumanOf(aquifer), n, elapsedSeconds);
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
            for (const LatticeSource& source : sources)
                terms.push_back(
                    std::make_shared<RadialTerms>(neumanOf(aquifer), source.elapsedSeconds,
                        source.nMin, std::max(source.nMax, 2.0 * source.nMin), source.term.rate));
            return terms;
        },
        [](const SourceTerm&, double n, const Aquifer& aquifer, double tMin,
            double tMax) -> std::shared_ptr<const TimeProfile> {
            const NeumanAquifer a = neumanOf(aquifer);
            const double r = std::sqrt(n);
            return std::make_shared<DrawdownHistory>(
                [a, r](double t) { return neumanUnitDrawdown(a, r, t); },
                n * a.storage / (4.0 * a.transmissivity * QuietU), tMin, tMax);
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
    return row;
}

} // namespace drawfield
