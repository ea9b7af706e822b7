#include "analysis/straight_lines.h"

#include "compute/wells/cooper_jacob.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace drawfield {

double distanceToNearestBore(const ScenarioInputs& in, const MeasuredPoint& point)
{
    double nearest = 0.0;
    for (int bore = 0; bore < in.boreCount(); ++bore) {
        if (!in.pumps(bore))
            continue;
        const WellInput& well = in.Wells[static_cast<std::size_t>(bore)];
        const double r = std::hypot(point.X - well.X, point.Y - well.Y);
        if (r > 0.0 && (nearest == 0.0 || r < nearest))
            nearest = r;
    }
    return nearest;
}

// The total rate of the pumping bores at time t (m3/s).
double totalRate(const ScenarioInputs& in, double t)
{
    double rate = 0.0;
    for (int bore = 0; bore < in.boreCount(); ++bore)
        rate += in.rateAt(bore, t);
    return rate;
}

CooperJacobLine cooperJacobLine(const ScenarioInputs& in, const MeasuredPoint& point)
{
    CooperJacobLine line;
    const std::vector<Reading>& readings = point.Readings;
    const double r = distanceToNearestBore(in, point);
    double first = 0.0;
    for (const Reading& reading : readings)
        if (reading.TimeSeconds > 0.0) {
            first = reading.TimeSeconds;
            break;
        }
    if (readings.empty() || !(first > 0.0) || !(r > 0.0))
        return line;
    const double middle = std::sqrt(first * readings.back().TimeSeconds);
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0, n = 0.0;
    for (const Reading& reading : readings)
        if (reading.TimeSeconds > 0.0 && reading.TimeSeconds >= middle) {
            const double lx = std::log(reading.TimeSeconds);
            sx += lx;
            sy += reading.DrawdownMetres;
            sxx += lx * lx;
            sxy += lx * reading.DrawdownMetres;
            n += 1.0;
            if (line.fromSeconds == 0.0)
                line.fromSeconds = reading.TimeSeconds;
        }
    if (n < 2.0)
        return line;
    line.slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    line.intercept = (sy - line.slope * sx) / n;
    const double rate = totalRate(in, readings.back().TimeSeconds);
    if (!(line.slope > 0.0) || !(rate > 0.0))
        return line;
    const CooperJacobLineValues values
        = cooperJacobValuesOfLine(rate, line.slope, line.intercept, r);
    line.transmissivity = values.transmissivity;
    line.storage = values.storage;
    line.valid = std::isfinite(line.transmissivity) && line.transmissivity > 0.0
        && std::isfinite(line.storage) && line.storage > 0.0 && line.storage < 1.0;
    return line;
}

namespace {

    // When every bore has stopped for good before the last reading: the last change after which
    // the total rate is 0 (and was not just before); -1 for none.
    double stopOf(const ScenarioInputs& in)
    {
        std::vector<double> changes;
        for (const auto& schedule : in.Schedules)
            for (const RateChange& change : schedule)
                changes.push_back(change.StartSeconds);
        std::sort(changes.begin(), changes.end());
        double stop = -1.0;
        for (std::size_t k = 0; k < changes.size(); ++k) {
            const double after = k + 1 < changes.size() ? changes[k + 1] : changes[k] * 2.0 + 1.0;
            const double before = k > 0 ? changes[k - 1] : 0.0;
            const bool stopped = totalRate(in, 0.5 * (changes[k] + after)) == 0.0;
            if (stopped && totalRate(in, 0.5 * (before + changes[k])) > 0.0)
                stop = changes[k];
            else if (!stopped)
                stop = -1.0;
        }
        return stop;
    }

    // Least squares y = a + b x.
    bool lineThrough(
        const std::vector<double>& x, const std::vector<double>& y, double& a, double& b)
    {
        const double n = static_cast<double>(x.size());
        double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            sx += x[i];
            sy += y[i];
            sxx += x[i] * x[i];
            sxy += x[i] * y[i];
        }
        const double d = n * sxx - sx * sx;
        if (!(n >= 2.0) || !(d > 0.0))
            return false;
        b = (n * sxy - sx * sy) / d;
        a = (sy - b * sx) / n;
        return true;
    }

} // namespace

std::vector<StraightLineEstimate> straightLineEstimates(
    const ScenarioInputs& in, const std::vector<MeasuredPoint>& points)
{
    std::vector<StraightLineEstimate> found;
    const double stop = stopOf(in);
    for (const MeasuredPoint& point : points) {
        // Cooper-Jacob's through the readings while pumping.
        MeasuredPoint pumping = point;
        if (stop > 0.0)
            std::erase_if(
                pumping.Readings, [stop](const Reading& r) { return r.TimeSeconds > stop; });
        const CooperJacobLine line = cooperJacobLine(in, pumping);
        if (line.valid) {
            const double r = distanceToNearestBore(in, point);
            found.push_back({ "cooper-jacob", point.Name, line.transmissivity, line.storage,
                line.fromSeconds, pumping.Readings.back().TimeSeconds,
                r * r * line.storage / (4.0 * line.transmissivity * 0.05) });
        }
        // Theis' recovery: s' = Q / (4 pi T) ln(t / t'), through the later half of the
        // recovery (t / t' nearest 1, where u' is small).
        if (!(stop > 0.0))
            continue;
        std::vector<std::pair<double, double>> recovery; // ln(t / t'), s'
        for (const Reading& reading : point.Readings)
            if (reading.TimeSeconds > stop)
                recovery.emplace_back(std::log(reading.TimeSeconds / (reading.TimeSeconds - stop)),
                    reading.DrawdownMetres);
        if (recovery.size() < 3)
            continue;
        std::sort(recovery.begin(), recovery.end());
        const std::size_t late = std::max<std::size_t>(3, (recovery.size() + 1) / 2);
        std::vector<double> x, y;
        for (std::size_t i = 0; i < late; ++i) {
            x.push_back(recovery[i].first);
            y.push_back(recovery[i].second);
        }
        double a = 0.0, b = 0.0;
        const double rate = totalRate(in, std::nextafter(stop, 0.0));
        if (!lineThrough(x, y, a, b) || !(b > 0.0) || !(rate > 0.0))
            continue;
        // The later half's times: t = stop / (1 - e^-x), x = ln(t / t').
        auto timeOf = [stop](double lnRatio) { return stop / -std::expm1(-lnRatio); };
        found.push_back({ "theis-recovery", point.Name, rate / (4.0 * std::numbers::pi * b),
            std::numeric_limits<double>::quiet_NaN(), timeOf(x.back()), timeOf(x.front()), 0.0 });
    }
    return found;
}

} // namespace drawfield
