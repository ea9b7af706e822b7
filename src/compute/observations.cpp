#include "compute/observations.h"

#include "compute/atomic_file.h"
#include "compute/cooper_jacob.h"
#include "compute/drawdown_engine.h"
#include "compute/sources.h"
#include "compute/theis.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace drawfield {
namespace {

    constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

    void appendNumber(std::string& out, double value)
    {
        if (std::isnan(value))
            return; // an empty cell
        std::array<char, 32> text;
        auto end = std::to_chars(
            text.data(), text.data() + text.size(), value, std::chars_format::general, 17);
        out.append(text.data(), end.ptr);
    }

    void appendCsvText(std::string& out, const std::string& text)
    {
        if (text.find_first_of(",\"\r\n") == std::string::npos) {
            out += text;
            return;
        }
        out.push_back('"');
        for (char c : text) {
            if (c == '"')
                out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }

} // namespace

double drawdownAt(const ScenarioInputs& in, double x, double y, double timeSeconds)
{
    if (!isInAquifer(in, x, y))
        return NoValue;
    double s = 0.0;
    for (const PointSource& source : pointSources(in, timeSeconds)) {
        const double dx = source.X - x, dy = source.Y - y;
        const double n = dx * dx + dy * dy;
        if (n == 0.0)
            return NoValue; // on a bore: the formulas have no value there
        if (in.Method == WellMethod::Theis) {
            s = s
                + TheisWell(source.Rate, in.Transmissivity, in.Storage, source.ElapsedSeconds)
                      .contribution(n);
        } else {
            const CooperJacobWell cone(
                source.Rate, in.Transmissivity, in.Storage, source.ElapsedSeconds);
            s = s + cone.A * std::max(0.0, std::log(cone.u(n)));
        }
    }
    s = std::max(s, 0.0); // pumping never raises the level: what is above it is rounding
    if (in.Unconfined && s > 0.0)
        s = 2.0 * s > in.Thickness ? in.Thickness : jacobUnconfined(s, in.Thickness);
    return s;
}

std::vector<double> curveTimes(const ScenarioInputs& in)
{
    constexpr double OneMinute = 60.0;
    constexpr int PerDecade = 20;
    std::vector<double> times;
    for (int i = 0;; ++i) {
        const double t = OneMinute * std::pow(10.0, static_cast<double>(i) / PerDecade);
        if (!(t < in.PumpTime))
            break;
        times.push_back(t);
    }
    for (const auto& schedule : in.Schedules)
        for (const RateChange& change : schedule)
            if (change.StartSeconds > 0.0 && change.StartSeconds < in.PumpTime)
                times.push_back(change.StartSeconds);
    times.push_back(in.PumpTime);
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

ObservationCurves observationCurves(const ScenarioInputs& in)
{
    ObservationCurves curves;
    curves.seconds = curveTimes(in);
    for (const ObservationPoint& point : in.Observations) {
        curves.names.push_back(point.Name);
        std::vector<double> values;
        values.reserve(curves.seconds.size());
        for (double t : curves.seconds)
            values.push_back(drawdownAt(in, point.X, point.Y, t));
        curves.drawdowns.push_back(std::move(values));
    }
    return curves;
}

std::vector<ProfilePoint> profileAlong(const ScenarioInputs& in, int count)
{
    std::vector<ProfilePoint> points;
    if (!in.ProfileLine || count < 2)
        return points;
    const Profile& line = *in.ProfileLine;
    const double length = std::hypot(line.X2 - line.X1, line.Y2 - line.Y1);
    for (int i = 0; i < count; ++i) {
        const double f = static_cast<double>(i) / (count - 1);
        const double x = line.X1 + f * (line.X2 - line.X1);
        const double y = line.Y1 + f * (line.Y2 - line.Y1);
        points.push_back({ f * length, x, y, drawdownAt(in, x, y, in.PumpTime) });
    }
    return points;
}

void writeCurvesFile(const std::filesystem::path& path, const ObservationCurves& curves)
{
    AtomicFile file(path, "curves file");
    std::string text = "hours";
    for (const std::string& name : curves.names) {
        text.push_back(',');
        appendCsvText(text, name);
    }
    text += "\n";
    for (std::size_t t = 0; t < curves.seconds.size(); ++t) {
        appendNumber(text, curves.seconds[t] / 3600.0);
        for (const std::vector<double>& values : curves.drawdowns) {
            text.push_back(',');
            appendNumber(text, values[t]);
        }
        text += "\n";
    }
    file.write(text);
    file.commit();
}

void writeProfileFile(const std::filesystem::path& path, const std::vector<ProfilePoint>& profile)
{
    AtomicFile file(path, "profile file");
    std::string text = "distance_m,x_m,y_m,drawdown_m\n";
    for (const ProfilePoint& point : profile) {
        appendNumber(text, point.distanceMetres);
        text.push_back(',');
        appendNumber(text, point.xMetres);
        text.push_back(',');
        appendNumber(text, point.yMetres);
        text.push_back(',');
        appendNumber(text, point.drawdownMetres);
        text += "\n";
    }
    file.write(text);
    file.commit();
}

} // namespace drawfield
