#include "compute/observations.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

namespace drawfield {
namespace {

    constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

} // namespace

double drawdownAt(const Aquifer& aquifer, const SourceList& sources, double x, double y,
    double timeSeconds, ThicknessReached* reached)
{
    if (!sources.contains(x, y))
        return NoValue;
    const WellFunction& function = *aquifer.function;
    double s = 0.0;
    for (const PointSource& source : sources.sources) {
        if (!(source.StartSeconds < timeSeconds))
            continue;
        const double elapsed = timeSeconds - source.StartSeconds;
        const double dx = source.X - x, dy = source.Y - y;
        const double n = dx * dx + dy * dy;
        if (n == 0.0) {
            // On a bore the formulas have no value while it pumps; once it has stopped, the sum
            // of its terms' parts that change with time is the residual drawdown.
            if (source.Image || sources.rateAt(source.Bore, timeSeconds) != 0.0)
                return NoValue;
            s = s + function.boreTerm(sources.termOf(source), elapsed, aquifer);
            continue;
        }
        s = s + function.drawdown(sources.termOf(source), n, elapsed, aquifer);
    }
    bool dewatered = false;
    s = aquiferDrawdown(aquifer, s, dewatered);
    if (reached) {
        reached->dewatered = reached->dewatered || dewatered;
        reached->exceeded = reached->exceeded || s > aquifer.thicknessMetres;
    }
    return s;
}

void drawdownsOverTime(const Aquifer& aquifer, const SourceList& sources, double x, double y,
    const double* times, double* out, std::size_t count, ThicknessReached* reached)
{
    const WellFunction& function = *aquifer.function;
    auto oneByOne = [&] {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = drawdownAt(aquifer, sources, x, y, times[i], reached);
    };
    if (!function.timeProfile || count == 0 || !sources.contains(x, y))
        return oneByOne();
    // The sources at one squared distance (a bore's rate steps, an image's) share a table over
    // the times since the earliest of them began.
    struct Group {
        double tMin = std::numeric_limits<double>::infinity(), tMax = 0.0;
        double evaluations = 0.0;
        std::shared_ptr<const TimeProfile> profile;
    };
    std::vector<double> sorted(times, times + count);
    std::sort(sorted.begin(), sorted.end());
    // (A row whose term sees its bore's values gives each bore a table of its own.)
    const bool perBore = std::any_of(function.parameters.begin(), function.parameters.end(),
        [](const WellParameter& p) { return p.scope == ParameterScope::Bore; });
    std::map<std::pair<double, int>, Group> groups;
    std::vector<double> squared(sources.sources.size());
    auto keyOf = [&](std::size_t k) {
        return std::pair { squared[k], perBore ? sources.sources[k].Bore : -1 };
    };
    for (std::size_t k = 0; k < sources.sources.size(); ++k) {
        const PointSource& source = sources.sources[k];
        const double dx = source.X - x, dy = source.Y - y;
        squared[k] = dx * dx + dy * dy;
        if (squared[k] == 0.0)
            return oneByOne(); // on a bore: its own rules, time by time
        const auto after = std::upper_bound(sorted.begin(), sorted.end(), source.StartSeconds);
        if (after == sorted.end())
            continue;
        Group& group = groups[keyOf(k)];
        group.tMin = std::min(group.tMin, *after - source.StartSeconds);
        group.tMax = std::max(group.tMax, sorted.back() - source.StartSeconds);
        group.evaluations += static_cast<double>(sorted.end() - after);
    }
    for (auto& [key, group] : groups) {
        // (With some 40 calls for its ends, at the default cost.)
        const double tableCost = function.profileCostPerOctave
            * (std::log2(group.tMax / group.tMin) + 1.0 + 40.0 / 52.0);
        const SourceTerm unit { 1.0,
            key.second >= 0
                ? std::span<const double>(sources.boreValues[static_cast<std::size_t>(key.second)])
                : std::span<const double>(),
            key.second >= 0 ? sources.radii[static_cast<std::size_t>(key.second)] : 0.0 };
        if (group.evaluations > 2.0 * tableCost)
            group.profile = function.timeProfile(unit, key.first, aquifer, group.tMin, group.tMax);
    }
    std::vector<double> sums(count, 0.0), elapsed(count), unit(count);
    std::vector<std::size_t> at(count);
    for (std::size_t k = 0; k < sources.sources.size(); ++k) {
        const PointSource& source = sources.sources[k];
        const auto group = groups.find(keyOf(k));
        if (group == groups.end())
            continue;
        if (!group->second.profile) {
            for (std::size_t i = 0; i < count; ++i)
                if (source.StartSeconds < times[i])
                    sums[i] = sums[i]
                        + function.drawdown(sources.termOf(source), squared[k],
                            times[i] - source.StartSeconds, aquifer);
            continue;
        }
        std::size_t m = 0;
        for (std::size_t i = 0; i < count; ++i)
            if (source.StartSeconds < times[i]) {
                elapsed[m] = times[i] - source.StartSeconds;
                at[m++] = i;
            }
        group->second.profile->unitDrawdowns(elapsed.data(), unit.data(), static_cast<int>(m));
        for (std::size_t j = 0; j < m; ++j)
            sums[at[j]] = sums[at[j]] + source.Rate * unit[j];
    }
    for (std::size_t i = 0; i < count; ++i) {
        bool dewatered = false;
        out[i] = aquiferDrawdown(aquifer, sums[i], dewatered);
        if (reached) {
            reached->dewatered = reached->dewatered || dewatered;
            reached->exceeded = reached->exceeded || out[i] > aquifer.thicknessMetres;
        }
    }
}

double drawdownAt(const ScenarioInputs& in, double x, double y, double timeSeconds)
{
    return drawdownAt(in.aquifer(), sourceListOf(in), x, y, timeSeconds);
}

double drawdownInBore(const ScenarioInputs& in, int bore)
{
    const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
    return drawdownAt(in, well.X + well.RadiusMetres, well.Y, in.PumpTimeSeconds);
}

LargestBoreDrawdown largestBoreDrawdown(const ScenarioInputs& in)
{
    LargestBoreDrawdown largest;
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        if (!in.pumps(bore))
            continue;
        const double metres = drawdownInBore(in, bore);
        if (largest.bore < 0 || metres > largest.metres) {
            largest.bore = bore;
            largest.metres = metres;
            largest.radiusMetres = in.Wells[static_cast<std::size_t>(bore)].RadiusMetres;
        }
    }
    return largest;
}

std::vector<double> curveTimes(const ScenarioInputs& in)
{
    constexpr double OneMinute = 60.0;
    constexpr double PerDecade = 20.0;
    const double end = in.PumpTimeSeconds;
    std::vector<double> times;
    auto tenfolds = [&](double from, double perDecade, std::size_t most) {
        for (std::size_t i = 0; i < most; ++i) {
            const double t = from + OneMinute * std::pow(10.0, static_cast<double>(i) / perDecade);
            if (!(t < end))
                break;
            times.push_back(t);
        }
    };
    const double baseDecades = end > OneMinute ? std::log10(end / OneMinute) : 0.0;
    tenfolds(
        0.0, std::min(PerDecade, MostBaseTimes / std::max(baseDecades, 1e-300)), MostBaseTimes + 1);

    std::vector<double> changes;
    for (const auto& schedule : in.Schedules)
        for (const RateChange& change : schedule)
            if (change.StartSeconds > 0.0 && change.StartSeconds < end)
                changes.push_back(change.StartSeconds);
    std::sort(changes.begin(), changes.end());
    changes.erase(std::unique(changes.begin(), changes.end()), changes.end());
    // The tenfolds of time after each change up to the map's time; 20 times in each, or fewer
    // in each, evenly, when that would pass the budget.
    auto decadesAfter = [&](double change) {
        return end - change > OneMinute ? std::log10((end - change) / OneMinute) : 0.0;
    };
    double decades = 0.0;
    for (double change : changes)
        decades += decadesAfter(change);
    const double density = std::min(PerDecade, MostRefinedTimes / std::max(decades, 1e-300));
    for (double change : changes) {
        times.push_back(change);
        tenfolds(change, density, static_cast<std::size_t>(density * decadesAfter(change)));
    }
    times.push_back(end);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

Aquifer seenFrom(Aquifer aquifer, const std::vector<double>& pointValues)
{
    if (pointValues.empty() || aquifer.function == nullptr)
        return aquifer;
    const std::span<const WellParameter> parameters = aquifer.function->parameters;
    for (std::size_t i = 0; i < parameters.size() && i < pointValues.size(); ++i)
        if (parameters[i].scope == ParameterScope::Observation && i < aquifer.values.size())
            aquifer.values[i] = pointValues[i];
    return aquifer;
}

ObservationCurves observationCurves(const ScenarioInputs& in)
{
    ObservationCurves curves;
    curves.seconds = curveTimes(in);
    const Aquifer aquifer = in.aquifer();
    const SourceList sources = sourceListOf(in);
    for (const ObservationPoint& point : in.Observations) {
        curves.names.push_back(point.Name);
        std::vector<double> values(curves.seconds.size());
        drawdownsOverTime(seenFrom(aquifer, point.Values), sources, point.X, point.Y,
            curves.seconds.data(), values.data(), values.size(), &curves.reached);
        curves.drawdowns.push_back(std::move(values));
    }
    return curves;
}

std::vector<ProfilePoint> profileAlong(
    const ScenarioInputs& in, int count, ThicknessReached* reached)
{
    std::vector<ProfilePoint> points;
    if (!in.ProfileLine || count < 2)
        return points;
    const Profile& line = *in.ProfileLine;
    const double length = std::hypot(line.X2 - line.X1, line.Y2 - line.Y1);
    const Aquifer aquifer = in.aquifer();
    const SourceList sources = sourceListOf(in);
    const double intervals = count - 1;
    for (int i = 0; i < count; ++i) {
        // Weighted sums of the ends, divided once: whole-metre ends give the decimals they mean.
        const double x = (line.X1 * (intervals - i) + line.X2 * i) / intervals;
        const double y = (line.Y1 * (intervals - i) + line.Y2 * i) / intervals;
        points.push_back({ length * i / intervals, x, y,
            drawdownAt(aquifer, sources, x, y, in.PumpTimeSeconds, reached) });
    }
    return points;
}

} // namespace drawfield
