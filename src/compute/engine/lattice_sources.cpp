#include "compute/engine/lattice_sources.h"

#include <algorithm>
#include <cmath>

namespace drawfield {
namespace {

    // The largest n >= 1 the well reaches. Its reach only shrinks as n grows (each operation is
    // monotonic), so a bisection on the exact expression finds it.
    long long largestReachSquared(const PumpingWell& well, long long limit)
    {
        if (limit < 1 || !well.reaches(1.0))
            return 0;
        long long low = 1, high = limit; // reaches(low) always holds
        if (well.reaches(static_cast<double>(high)))
            return high;
        while (high - low > 1) {
            long long middle = low + (high - low) / 2;
            if (well.reaches(static_cast<double>(middle)))
                low = middle;
            else
                high = middle;
        }
        return low;
    }

    // The squared distances a source's terms are asked for on the map: from its nearest node but
    // its own (1 m off at most, a node on it being settled apart) to the farthest corner.
    LatticeSource latticeSourceOf(const PumpingWell& well, const DrawdownGrid& grid)
    {
        const double step = grid.nodeSpacing();
        auto nearest = [step](double at, double first, double last) {
            const double k = std::clamp(
                std::round((at - first) / step), 0.0, std::floor((last - first) / step));
            return std::fabs(at - (first + k * step));
        };
        const double dx = nearest(well.x, grid.xMin(), grid.xMax());
        const double dy = nearest(well.y, grid.yMin(), grid.yMax());
        const double farX
            = std::max(std::fabs(well.x - grid.xMin()), std::fabs(well.x - grid.xMax()));
        const double farY
            = std::max(std::fabs(well.y - grid.yMin()), std::fabs(well.y - grid.yMax()));
        const double nearestN = dx * dx + dy * dy;
        return { well.term, well.elapsedSeconds, nearestN > 0.0 ? std::min(nearestN, 1.0) : 1.0,
            farX * farX + farY * farY };
    }

} // namespace

long long integerSquareRoot(long long value)
{
    auto root = static_cast<long long>(std::sqrt(static_cast<double>(value)));
    while (root > 0 && root * root > value)
        --root;
    while ((root + 1) * (root + 1) <= value)
        ++root;
    return root;
}

std::vector<PumpingWell> pumpingWells(const std::vector<PointSource>& sources,
    const ScenarioInputs& in, const Aquifer& aquifer, const DrawdownGrid& grid, double leastTerm)
{
    constexpr auto Farthest = static_cast<double>(FarthestLatticeMetres);
    std::vector<PumpingWell> wells;
    for (const PointSource& source : sources) {
        PumpingWell well;
        well.leastTerm = leastTerm;
        well.bore = source.Bore;
        const WellInput& bore = in.Wells[static_cast<std::size_t>(source.Bore)];
        well.term = { source.Rate, bore.Values, bore.RadiusMetres, source.RateAfter };
        well.elapsedSeconds = source.ElapsedSeconds;
        well.aquifer = &aquifer;
        well.function = aquifer.function;
        well.x = source.X;
        well.y = source.Y;
        well.integral = source.X == std::floor(source.X) && source.Y == std::floor(source.Y)
            && std::fabs(source.X) <= Farthest && std::fabs(source.Y) <= Farthest;
        well.X = well.integral ? static_cast<int>(source.X) : 0;
        well.Y = well.integral ? static_cast<int>(source.Y) : 0;
        well.image = source.Image;
        well.firstOfBore = source.FirstOfBore;
        if (well.integral) {
            long long farX
                = std::max(std::abs(well.X - grid.xMin()), std::abs(well.X - grid.xMax()));
            long long farY
                = std::max(std::abs(well.Y - grid.yMin()), std::abs(well.Y - grid.yMax()));
            well.reachSquared = largestReachSquared(well, squared(farX) + squared(farY));
            well.reach = integerSquareRoot(well.reachSquared);
        } else {
            // Its well function bounds where it adds anything: a little more room costs a few
            // zero terms, never a lost one.
            well.reachMetresSquared
                = well.function->reachSquared(well.term, source.ElapsedSeconds, aquifer, leastTerm);
        }
        wells.push_back(well);
    }
    if (aquifer.function->latticeTerms != nullptr) {
        std::vector<LatticeSource> asked;
        asked.reserve(wells.size());
        for (const PumpingWell& well : wells)
            asked.push_back(latticeSourceOf(well, grid));
        const std::vector<std::shared_ptr<const LatticeTerms>> made
            = aquifer.function->latticeTerms(asked, aquifer);
        for (std::size_t i = 0; i < wells.size() && i < made.size(); ++i)
            wells[i].lattice = made[i];
    }
    return wells;
}

void termsAlongRow(const PumpingWell& well, long long first, int count, double d2, double* out)
{
    if (well.lattice) {
        well.lattice->alongRow(first, count, d2, out);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const double j = static_cast<double>(first + i);
        out[i] = well.contribution(j * j + d2);
    }
}

void termsAt(const PumpingWell& well, const double* n, int count, double* out)
{
    if (well.lattice) {
        well.lattice->atSquaredDistances(n, count, out);
        return;
    }
    for (int i = 0; i < count; ++i)
        out[i] = n[i] == 0.0 ? 0.0 : well.contribution(n[i]);
}

} // namespace drawfield
