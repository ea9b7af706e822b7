#include "compute/verdicts.h"

#include "compute/observations.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace drawfield {
namespace {

    struct Course {
        double metres = 0.0; // at the map's time
        double largestMetres = 0.0;
        double largestSeconds = 0.0;
        std::optional<double> firstAtOrAbove; // s
    };

    // The drawdown at (x, y) over the run, sampled at the curves' times (dense after every rate
    // change), and the first time it reaches `threshold`, found between the samples by
    // bisection: the drawdown is continuous in time, so it reaches it between the last sample
    // below and the first at or above.
    Course courseAt(const Aquifer& aquifer, const SourceList& sources,
        const std::vector<double>& times, double x, double y, double threshold)
    {
        std::vector<double> values(times.size());
        drawdownsOverTime(aquifer, sources, x, y, times.data(), values.data(), values.size());
        Course course;
        double before = 0.0; // a time where it was below: the start of pumping
        for (std::size_t k = 0; k < times.size(); ++k) {
            const double value = values[k];
            if (!std::isfinite(value))
                continue;
            if (value > course.largestMetres) {
                course.largestMetres = value;
                course.largestSeconds = times[k];
            }
            if (course.firstAtOrAbove || value < threshold) {
                if (!course.firstAtOrAbove)
                    before = times[k];
                continue;
            }
            double after = times[k];
            for (int step = 0; step < 100 && after - before > 1e-6 * after; ++step) {
                const double middle = 0.5 * (before + after);
                const double there = drawdownAt(aquifer, sources, x, y, middle);
                (std::isfinite(there) && there >= threshold ? after : before) = middle;
            }
            course.firstAtOrAbove = after;
        }
        course.metres = values.empty() ? 0.0 : values.back();
        return course;
    }

} // namespace

bool Verdicts::anyFailed() const
{
    return std::any_of(bores.begin(), bores.end(), [](const BoreVerdict& v) { return v.runsDry(); })
        || std::any_of(
            points.begin(), points.end(), [](const PointVerdict& v) { return v.passed(); });
}

double verdictHorizon(const ScenarioInputs& in)
{
    return in.ReportSeconds.empty() ? in.PumpTimeSeconds
                                    : std::max(in.PumpTimeSeconds, in.ReportSeconds.back());
}

Verdicts verdictsOf(const ScenarioInputs& in)
{
    Verdicts verdicts;
    const bool anyBore = std::any_of(in.Wells.begin(), in.Wells.end(),
        [](const WellInput& well) { return well.AvailableMetres.has_value(); });
    const bool anyPoint = std::any_of(in.Observations.begin(), in.Observations.end(),
        [](const ObservationPoint& point) { return point.LimitMetres.has_value(); });
    if (!anyBore && !anyPoint)
        return verdicts;
    ScenarioInputs untilTheEnd = in;
    untilTheEnd.PumpTimeSeconds = verdictHorizon(in);
    const std::vector<double> times = curveTimes(untilTheEnd);
    const Aquifer aquifer = in.aquifer();
    const SourceList sources = sourceListOf(in);
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        if (!well.AvailableMetres || !in.pumps(bore))
            continue;
        const Course course = courseAt(
            aquifer, sources, times, well.X + well.RadiusMetres, well.Y, *well.AvailableMetres);
        verdicts.bores.push_back({ bore, *well.AvailableMetres, course.metres, course.largestMetres,
            course.largestSeconds, course.firstAtOrAbove });
    }
    for (std::size_t p = 0; p < in.Observations.size(); ++p) {
        const ObservationPoint& point = in.Observations[p];
        if (!point.LimitMetres)
            continue;
        // "Passes" the limit: reaching it exactly is still within it.
        const double limit = *point.LimitMetres;
        const Course course = courseAt(seenFrom(aquifer, point.Values), sources, times, point.X,
            point.Y, std::nextafter(limit, std::numeric_limits<double>::infinity()));
        verdicts.points.push_back({ p, limit, course.metres, course.largestMetres,
            course.largestSeconds, course.firstAtOrAbove });
    }
    return verdicts;
}

} // namespace drawfield
