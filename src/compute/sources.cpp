#include "compute/sources.h"

namespace drawfield {

Point imageOf(const Boundary& line, double x, double y)
{
    const double dx = line.X2 - line.X1, dy = line.Y2 - line.Y1;
    // Axis-parallel lines mirror exactly, which keeps images of lattice wells on the lattice.
    if (dx == 0.0)
        return { 2.0 * line.X1 - x, y };
    if (dy == 0.0)
        return { x, 2.0 * line.Y1 - y };
    const double t = ((x - line.X1) * dx + (y - line.Y1) * dy) / (dx * dx + dy * dy);
    const double footX = line.X1 + t * dx, footY = line.Y1 + t * dy;
    return { 2.0 * footX - x, 2.0 * footY - y };
}

std::vector<PointSource> pointSources(const ScenarioInputs& in, double timeSeconds)
{
    std::vector<PointSource> sources;
    for (int bore = 0; bore < WellCount; ++bore) {
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        bool first = true;
        auto add = [&](double rate, double startSeconds) {
            if (rate == 0.0 || !(startSeconds < timeSeconds))
                return;
            sources.push_back({ static_cast<double>(well.X), static_cast<double>(well.Y), rate,
                timeSeconds - startSeconds, bore, false, first });
            first = false;
        };
        // A change at hour 0 replaces the table's rate rather than stepping from it: the two
        // would cancel only to rounding.
        const auto& schedule = in.Schedules[static_cast<std::size_t>(bore)];
        const bool fromStart = !schedule.empty() && schedule.front().StartSeconds == 0.0;
        double previous = fromStart ? schedule.front().Rate : well.Rate;
        add(previous, 0.0);
        for (std::size_t k = fromStart ? 1 : 0; k < schedule.size(); ++k) {
            add(schedule[k].Rate - previous, schedule[k].StartSeconds);
            previous = schedule[k].Rate;
        }
    }
    // Each source is followed by its images: on a recharge line a source and its image cancel
    // exactly before the next source adds in.
    auto sign
        = [](const Boundary& line) { return line.Kind == BoundaryKind::Barrier ? 1.0 : -1.0; };
    std::vector<PointSource> withImages;
    for (const PointSource& source : sources) {
        withImages.push_back(source);
        auto addImage = [&](Point at, double factor) {
            PointSource image = source;
            image.X = at.X;
            image.Y = at.Y;
            image.Rate = source.Rate * factor;
            image.Image = true;
            image.FirstOfBore = false;
            withImages.push_back(image);
        };
        if (!in.Boundaries.empty()) {
            const Boundary& a = in.Boundaries[0];
            addImage(imageOf(a, source.X, source.Y), sign(a));
        }
        if (in.Boundaries.size() == 2) {
            const Boundary& a = in.Boundaries[0];
            const Boundary& b = in.Boundaries[1];
            addImage(imageOf(b, source.X, source.Y), sign(b));
            const Point once = imageOf(a, source.X, source.Y);
            addImage(imageOf(b, once.X, once.Y), sign(a) * sign(b));
        }
    }
    sources = std::move(withImages);
    return sources;
}

} // namespace drawfield
