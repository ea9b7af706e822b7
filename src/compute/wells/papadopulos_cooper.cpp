#include "compute/wells/papadopulos_cooper.h"

#include "compute/wells/laplace.h"
#include "compute/wells/theis.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <tuple>

namespace drawfield {
namespace {

    enum BoreParameter : std::size_t { CasingRadius, Skin, WellLoss };

    constexpr double SecondsPerHour = 3600.0;

    constexpr WellParameter Parameters[] = {
        { "casing_radius", "rc", "Casing radius", "m", "m", Quantity::Length, ParameterScope::Bore,
            0.0, 100.0, 1.0, 0.0, FitScale::NotFitted,
            "The radius of the casing where the water level moves: its water is pumped first "
            "(0: none)." },
        { "skin", "skin", "Skin factor", "", "", Quantity::Ratio, ParameterScope::Bore, -5.0,
            1000.0, 1.0, 0.0, FitScale::Logit,
            "The bore's own drawdown gains Q skin / (2 π T): above 0 a clogged screen, below 0 a "
            "developed one." },
        { "well_loss", "C", "Well loss C", "h2/m5", "s2/m5", Quantity::Ratio, ParameterScope::Bore,
            0.0, 1.0, SecondsPerHour* SecondsPerHour, 0.0, FitScale::Logit,
            "The bore's own drawdown gains C Q², Q in m3/h: the turbulent loss at the screen." },
    };

    // Where a distance counts as in the bore: at its radius, give or take the rounding of a
    // point placed there (x + rw - x).
    bool inBore(double n, double radius) { return n <= radius * radius * (1.0 + 1e-9); }

    double unitTransform(const LargeWell& w, double r, double t)
    {
        const double rw = std::max(w.radiusMetres, 1e-6);
        const bool bore = r <= rw;
        return invertLaplace(
            [&](Complex p) {
                // Divided through by K1(q rw), with e^z K of either argument: early, q rw leaves
                // the doubles' exponent.
                const Complex q = std::sqrt(w.storage * p / w.transmissivity);
                Complex k0, k1;
                scaledBesselK01(q * rw, k0, k1);
                const Complex wall = k0 / k1 + w.skin * q * rw;
                const Complex d = p
                    * (2.0 * std::numbers::pi * w.transmissivity * q * rw
                        + std::numbers::pi * w.casingRadiusMetres * w.casingRadiusMetres * p
                            * wall);
                if (bore)
                    return wall / d;
                Complex far0, far1;
                scaledBesselK01(q * r, far0, far1);
                return far0 / k1 * std::exp(-q * (r - rw)) / d;
            },
            t);
    }

    LargeWell largeWellOf(const SourceTerm& term, const Aquifer& aquifer)
    {
        return { aquifer.transmissivity, aquifer.storage, term.boreRadiusMetres,
            term.bore.empty() ? 0.0 : term.bore[CasingRadius],
            term.bore.empty() ? 0.0 : term.bore[Skin] };
    }

    // A map, a fit and a bore's steps ask for one value many times: each is kept, per thread.
    double cachedUnit(const LargeWell& w, double r, double t)
    {
        using Key = std::tuple<double, double, double, double, double, double, double>;
        thread_local std::map<Key, double> found;
        const Key key { w.transmissivity, w.storage, w.radiusMetres, w.casingRadiusMetres, w.skin,
            std::max(r, w.radiusMetres), t };
        if (auto it = found.find(key); it != found.end())
            return it->second;
        if (found.size() > 200000)
            found.clear();
        return found[key] = largeWellUnitDrawdown(w, r, t);
    }

    // The bore's loss in C Q^2 for this step: from (Q - rate)^2 to Q^2.
    double lossOf(const SourceTerm& term)
    {
        if (term.bore.empty())
            return 0.0;
        const double before = term.rateAfter - term.rate;
        return term.bore[WellLoss] * (term.rateAfter * term.rateAfter - before * before);
    }

    double drawdown(const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer)
    {
        const LargeWell w = largeWellOf(term, aquifer);
        const bool bore = inBore(n, w.radiusMetres);
        const double r = bore ? 0.0 : std::sqrt(n);
        return term.rate * cachedUnit(w, r, elapsedSeconds) + (bore ? lossOf(term) : 0.0);
    }

} // namespace

double largeWellUnitDrawdown(const LargeWell& well, double r, double t)
{
    for (double value :
        { well.transmissivity, well.storage, well.casingRadiusMetres + 1.0, well.skin + 10.0 })
        if (!(value > 0.0 && value < 1e300))
            return std::numeric_limits<double>::quiet_NaN();
    if (!(t > 0.0))
        return 0.0;
    return std::max(unitTransform(well, r, t), 0.0);
}

WellFunction papadopulosCooperRow()
{
    return { WellMethod::PapadopulosCooper, "papadopulos-cooper",
        "Papadopulos-Cooper (large-diameter well)",
        "A confined aquifer pumped by a bore whose casing holds water that is pumped first "
        "(casing radius), with a skin round its screen and a well loss C Q² in the bore itself. "
        "Far from the bores and late, Theis'.",
        Parameters, drawdown,
        // The bore's own level: its steps' levels sum to the residual drawdown.
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            return drawdown(term, 0.0, elapsedSeconds, aquifer);
        },
        // The casing's water only delays the aquifer's drawdown: below Theis', whose reach serves.
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer,
            double leastMetres) {
            return theisReachSquared(
                term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds, leastMetres);
        } };
}

} // namespace drawfield
