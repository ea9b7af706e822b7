#include "compute/wells/partial_penetration.h"

#include "compute/wells/aquifer.h"
#include "compute/wells/drawdown_history.h"
#include "compute/wells/hantush.h"
#include "compute/wells/radial_table.h"
#include "compute/wells/theis.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace drawfield {

WellFunction theisRow();
WellFunction hantushRow();

double partialPenetrationTerm(
    double u, double r, double b, double kd, Interval screen, Interval read, double rOverB)
{
    constexpr double LastBeta = 40.0; // W(u, 40) < 2 K0(40) = 1.3e-18
    constexpr int MostTerms = 100000;
    const double k = std::numbers::pi / b;
    // (sin(n k bottom) - sin(n k top)) / (n k (bottom - top)), cos(n k top) for a point.
    auto factor = [k](Interval depths, int n) {
        const double nk = n * k, length = depths.bottom - depths.top;
        if (length < 1e-9 * (1.0 + depths.top))
            return std::cos(nk * depths.top);
        // 2 cos(nk mid) sin(nk length / 2), without the cancellation of a short interval.
        return 2.0 * std::cos(nk * 0.5 * (depths.top + depths.bottom)) * std::sin(nk * 0.5 * length)
            / (nk * length);
    };
    const double betaStep = k * r * std::sqrt(kd);
    double sum = 0.0;
    for (int n = 1; n <= MostTerms && n * betaStep <= LastBeta; ++n) {
        const double weight = factor(screen, n) * factor(read, n);
        if (weight != 0.0)
            sum += 2.0 * weight * hantushWellFunction(u, std::hypot(n * betaStep, rOverB));
    }
    return sum;
}

namespace {

    // The leakage factor first, where Hantush's leaky function reads it.
    enum Index : std::size_t {
        LeakageFactor,
        Anisotropy,
        ScreenTop,
        ScreenBottom,
        ReadTop,
        ReadBottom
    };

    constexpr WellParameter Parameters[] = {
        { "leakage_factor", "B", "Leakage factor", "m", "m", Quantity::Length,
            ParameterScope::Aquifer, 0.0, 1e7, 1.0, 0.0, FitScale::NotFitted,
            "B = √(T c) of an aquitard that leaks; 0 (unless given): none, a confined aquifer." },
        { "anisotropy", "Kd", "Anisotropy Kz/Kr", "", "", Quantity::Ratio, ParameterScope::Aquifer,
            1e-4, 100.0, 1.0, 1.0, FitScale::NotFitted,
            "The vertical conductivity over the horizontal: the smaller, the farther a partial "
            "screen's effect reaches." },
        ScreenParameters[0],
        ScreenParameters[1],
        ScreenParameters[2],
        ScreenParameters[3],
    };

    // A pair of depths within the aquifer, the shallower first.
    Interval within(double top, double bottom, double b)
    {
        top = std::clamp(top, 0.0, b);
        bottom = std::clamp(bottom, 0.0, b);
        return { std::min(top, bottom), std::max(top, bottom) };
    }

    bool whole(Interval depths, double b) { return depths.top <= 0.0 && depths.bottom >= b; }

    // Read over the whole thickness the drawdown is Theis' (confined) or Hantush's (leaky): the
    // map, its reach and a bore's own term are theirs.
    const WellFunction& fullyPenetrating(const Aquifer& aquifer)
    {
        static const WellFunction confined = theisRow(), leaky = hantushRow();
        return aquifer.values.at(LeakageFactor) > 0.0 ? leaky : confined;
    }

    double drawdown(const SourceTerm& term, double n, double elapsedSeconds, const Aquifer& aquifer)
    {
        const TheisWell well(term.rate, aquifer.transmissivity, aquifer.storage, elapsedSeconds);
        const double theis = fullyPenetrating(aquifer).drawdown(term, n, elapsedSeconds, aquifer);
        const double b = aquifer.thicknessMetres;
        if (term.bore.empty() || !(b > 0.0) || !(elapsedSeconds > 0.0))
            return theis;
        const Interval screen = within(term.bore[ScreenTop], term.bore[ScreenBottom], b);
        Interval read = within(aquifer.values.at(ReadTop), aquifer.values.at(ReadBottom), b);
        // In the bore its level is read over its own screen.
        const double radius = term.boreRadiusMetres;
        const bool inBore = n <= radius * radius * (1.0 + 1e-9);
        if (inBore && whole(read, b))
            read = screen;
        if (whole(screen, b) || whole(read, b))
            return theis;
        const double r = inBore ? std::max(radius, 1e-3) : std::sqrt(n);
        const double leakage = aquifer.values.at(LeakageFactor);
        return theis
            + well.A
            * partialPenetrationTerm(well.u(r * r), r, b, aquifer.values.at(Anisotropy), screen,
                read, leakage > 0.0 ? r / leakage : 0.0);
    }

    // Beyond this u the drawdown is nothing (Theis' W(40) = 1e-19, and the correction is less).
    constexpr double QuietU = 40.0;

} // namespace

WellFunction partialPenetrationRow()
{
    // Drawn for fully penetrating observation the map is Theis' or Hantush's: their lattice
    // terms, reach and bore term serve.
    WellFunction row { WellMethod::PartialPenetration, "partial-penetration",
        "Partial penetration (Hantush)",
        "A confined aquifer pumped by bores screened over part of its thickness (screen top and "
        "bottom per bore), read by points screened over part of it or at one depth (a "
        "piezometer); below an aquitard that leaks where its leakage factor is given. The map is "
        "the depth average (Theis' or Hantush's) unless it is read at a depth.",
        Parameters, drawdown,
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer) {
            return fullyPenetrating(aquifer).boreTerm(term, elapsedSeconds, aquifer);
        },
        [](const SourceTerm& term, double elapsedSeconds, const Aquifer& aquifer,
            double leastMetres) {
            return fullyPenetrating(aquifer).reachSquared(
                term, elapsedSeconds, aquifer, leastMetres);
        },
        [](std::span<const LatticeSource> sources, const Aquifer& aquifer) {
            const double b = aquifer.thicknessMetres;
            if (whole(within(aquifer.values.at(ReadTop), aquifer.values.at(ReadBottom), b), b))
                return fullyPenetrating(aquifer).latticeTerms(sources, aquifer);
            // Read at one depth: a table along r per source (the series costs some hundreds of
            // leaky functions a node).
            std::vector<std::shared_ptr<const LatticeTerms>> terms;
            for (const LatticeSource& source : sources) {
                const double t = source.elapsedSeconds;
                terms.push_back(std::make_shared<RadialTable>(
                    [bore = std::vector<double>(source.term.bore.begin(), source.term.bore.end()),
                        radius = source.term.boreRadiusMetres, t, aquifer](double n) {
                        return drawdown({ 1.0, bore, radius }, n, t, aquifer);
                    },
                    source.term.rate, source.nMin, source.nMax,
                    QuietU * 4.0 * aquifer.transmissivity * t / aquifer.storage));
            }
            return terms;
        },
        [](const SourceTerm& unit, double n, const Aquifer& aquifer, double tMin,
            double tMax) -> std::shared_ptr<const TimeProfile> {
            return std::make_shared<DrawdownHistory>(
                [unit, n, aquifer](double t) { return drawdown(unit, n, t, aquifer); },
                n * aquifer.storage / (4.0 * aquifer.transmissivity * QuietU), tMin, tMax);
        } };
    row.needsThickness = true;
    return row;
}

} // namespace drawfield
