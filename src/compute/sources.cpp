#include "compute/sources.h"

namespace drawfield {

Point imageOf(const Boundary& line, double x, double y) { return line.line().mirror(x, y); }

std::vector<PointSource> allSources(const ScenarioInputs& in)
{
    std::vector<PointSource> sources;
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        bool first = true;
        auto add = [&](double rate, double startSeconds, double rateAfter) {
            if (rate == 0.0)
                return;
            sources.push_back({ static_cast<double>(well.X), static_cast<double>(well.Y), rate,
                startSeconds, 0.0, bore, false, first, rateAfter });
            first = false;
        };
        // A change at hour 0 replaces the table's rate rather than stepping from it: the two
        // would cancel only to rounding.
        static const std::vector<RateChange> none;
        const auto& schedule = static_cast<std::size_t>(bore) < in.Schedules.size()
            ? in.Schedules[static_cast<std::size_t>(bore)]
            : none;
        const bool fromStart = !schedule.empty() && schedule.front().StartSeconds == 0.0;
        double previous = fromStart ? schedule.front().Rate : well.Rate;
        add(previous, 0.0, previous);
        for (std::size_t k = fromStart ? 1 : 0; k < schedule.size(); ++k) {
            add(schedule[k].Rate - previous, schedule[k].StartSeconds, schedule[k].Rate);
            previous = schedule[k].Rate;
        }
    }
    // Each source is followed by its images: on a recharge line a source and its image cancel
    // exactly before the next source adds in.
    std::vector<PointSource> withImages;
    withImages.reserve(sources.size() << in.Boundaries.size());
    for (const PointSource& source : sources) {
        withImages.push_back(source);
        auto addImage = [&](Point at, double factor) {
            PointSource image = source;
            image.X = at.X;
            image.Y = at.Y;
            image.Rate = source.Rate * factor;
            image.RateAfter = source.RateAfter * factor;
            image.Image = true;
            image.FirstOfBore = false;
            withImages.push_back(image);
        };
        if (!in.Boundaries.empty()) {
            const Boundary& a = in.Boundaries[0];
            addImage(imageOf(a, source.X, source.Y), imageSign(a.Kind));
        }
        if (in.Boundaries.size() == 2) {
            const Boundary& a = in.Boundaries[0];
            const Boundary& b = in.Boundaries[1];
            addImage(imageOf(b, source.X, source.Y), imageSign(b.Kind));
            const Point once = imageOf(a, source.X, source.Y);
            addImage(imageOf(b, once.X, once.Y), imageSign(a.Kind) * imageSign(b.Kind));
        }
    }
    return withImages;
}

SourceList sourceListOf(const ScenarioInputs& in)
{
    SourceList list;
    list.sources = allSources(in);
    list.boundaries = in.Boundaries;
    list.inside = { double(in.Wells[0].X), double(in.Wells[0].Y) };
    for (const WellInput& well : in.Wells) {
        list.rates.push_back(well.Rate);
        list.boreValues.push_back(well.Values);
        list.radii.push_back(well.RadiusMetres);
    }
    list.schedules = in.Schedules;
    list.schedules.resize(in.Wells.size());
    return list;
}

bool SourceList::contains(double x, double y) const
{
    return isInAquifer(boundaries, inside, x, y);
}

double SourceList::rateAt(int bore, double timeSeconds) const
{
    const auto index = static_cast<std::size_t>(bore);
    return rateOfSchedule(rates[index], schedules[index], timeSeconds);
}

std::vector<PointSource> pointSources(const ScenarioInputs& in, double timeSeconds)
{
    std::vector<PointSource> active;
    for (PointSource source : allSources(in)) {
        if (!(source.StartSeconds < timeSeconds))
            continue;
        source.ElapsedSeconds = timeSeconds - source.StartSeconds;
        active.push_back(source);
    }
    return active;
}

} // namespace drawfield
