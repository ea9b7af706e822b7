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

double recoveryStartSeconds(const ScenarioInputs& in)
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

std::vector<StraightLineEstimate> straightLineEstimates(
    const ScenarioInputs& in, const std::vector<MeasuredPoint>& points)
{
    std::vector<StraightLineEstimate> found;
    const double stop = recoveryStartSeconds(in);
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

std::vector<StepTest> stepTests(const ScenarioInputs& in, const std::vector<MeasuredPoint>& points)
{
    std::vector<StepTest> found;
    for (const MeasuredPoint& point : points) {
        if (point.Bore < 0 || point.Readings.empty())
            continue;
        // The bore's steps: its rate from each change to the next, while it rises.
        const std::vector<RateChange>& schedule
            = in.Schedules[static_cast<std::size_t>(point.Bore)];
        std::vector<std::pair<double, double>> steps; // start, rate
        steps.emplace_back(0.0, in.rateAt(point.Bore, 0.0));
        double lastEnd = std::numeric_limits<double>::infinity(); // a fall or a stop ends them
        for (const RateChange& change : schedule) {
            if (!(change.StartSeconds > 0.0))
                continue;
            if (!(change.Rate > steps.back().second)) {
                lastEnd = change.StartSeconds;
                break;
            }
            steps.emplace_back(change.StartSeconds, change.Rate);
        }
        if (steps.size() < 2 || !(steps.front().second > 0.0))
            continue;
        // Eden and Hazel: during the steps s = a H(t) + b Q(t) + c Q(t)^2, H(t) the sum over the
        // steps begun of their rise times ln(t - t_k) (Cooper-Jacob's superposition), c = C; least
        // squares over every reading of the steps.
        auto history = [&](double t) {
            double sum = 0.0, previous = 0.0;
            for (const auto& [start, rate] : steps)
                if (start < t) {
                    sum += (rate - previous) * std::log(t - start);
                    previous = rate;
                }
            return sum;
        };
        double normal[3][4] = {};
        std::size_t used = 0;
        for (const Reading& reading : point.Readings) {
            const double t = reading.TimeSeconds;
            if (!(t > 0.0) || t > lastEnd || !(reading.Weight > 0.0))
                continue;
            const double q = in.rateAt(point.Bore, t);
            const double row[3] = { history(t), q, q * q };
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c)
                    normal[r][c] += row[r] * row[c];
                normal[r][3] += row[r] * reading.DrawdownMetres;
            }
            ++used;
        }
        // Gaussian elimination with partial pivoting.
        bool solved = used >= 3;
        for (int k = 0; k < 3 && solved; ++k) {
            int pivot = k;
            for (int r = k + 1; r < 3; ++r)
                if (std::fabs(normal[r][k]) > std::fabs(normal[pivot][k]))
                    pivot = r;
            std::swap(normal[k], normal[pivot]);
            solved = std::fabs(normal[k][k]) > 1e-300;
            for (int r = 0; r < 3 && solved; ++r)
                if (r != k) {
                    const double f = normal[r][k] / normal[k][k];
                    for (int c = k; c < 4; ++c)
                        normal[r][c] -= f * normal[k][c];
                }
        }
        if (!solved)
            continue;
        const double a = normal[0][3] / normal[0][0], b = normal[1][3] / normal[1][1],
                     c = normal[2][3] / normal[2][2];
        StepTest test { point.Name, 0.0, c, {} };
        test.transmissivity = a > 0.0 ? 1.0 / (4.0 * std::numbers::pi * a)
                                      : std::numeric_limits<double>::quiet_NaN();
        for (std::size_t k = 0; k < steps.size(); ++k) {
            const double end = k + 1 < steps.size() ? steps[k + 1].first : lastEnd;
            const Reading* last = nullptr;
            for (const Reading& reading : point.Readings)
                if (reading.TimeSeconds > steps[k].first && reading.TimeSeconds <= end)
                    last = &reading;
            if (last == nullptr)
                continue;
            const double q = steps[k].second;
            const double aquifer = a * history(last->TimeSeconds) + b * q;
            test.steps.push_back(
                { q, last->TimeSeconds, last->DrawdownMetres, aquifer / (aquifer + c * q * q) });
            test.aquiferLoss = aquifer / q; // B of the last step's end
        }
        if (test.steps.size() < 2 || !std::isfinite(c) || !(test.aquiferLoss > 0.0))
            continue;
        found.push_back(std::move(test));
    }
    return found;
}

} // namespace drawfield
