#include "compute/scenario.h"

#include "compute/cooper_jacob.h"
#include "compute/messages.h"
#include "compute/text_rules.h"
#include "compute/theis.h"
#include "compute/user_text.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace drawfield {
namespace {

    // A field's text as a message quotes it: short, and escaped.
    std::string quoted(const std::string& text) { return quotedExcerpt(text); }

    // A 16-bit whole number of metres, or a refusal naming the field.
    std::optional<std::int16_t> readMetres(
        const std::string& text, const std::string& field, std::vector<std::string>& refusals)
    {
        std::optional<std::int16_t> value = integerOfText(text);
        if (!value)
            refusals.push_back(field + " must be a whole number of metres from -32768 to 32767; "
                + quoted(text) + " is outside that range.");
        return value;
    }

    // A real number, or a refusal when it is too large to compute with.
    std::optional<double> readReal(
        const std::string& text, const std::string& field, std::vector<std::string>& refusals)
    {
        std::optional<double> value = numberOfText(text);
        if (!value)
            refusals.push_back(
                field + " " + quoted(text) + " is too large a number to compute with.");
        return value;
    }

    void requirePositive(const std::optional<double>& value, const std::string& text,
        const std::string& field, std::vector<std::string>& refusals)
    {
        if (value && !(*value > 0.0))
            refusals.push_back(field + " must be greater than 0; " + quoted(text) + " reads as "
                + realText(*value).substr(*value < 0 ? 0 : 1) + ".");
    }

    std::string wellField(int row, const char* column)
    {
        return "Bore " + std::to_string(row) + ", " + column;
    }

} // namespace

namespace {

    std::string lowered(std::string_view text)
    {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }

} // namespace

namespace {

    // "12:0, 30:3": the rate changes of a bore, or a refusal naming it.
    std::optional<std::vector<RateChange>> readSchedule(
        const std::string& text, int bore, std::vector<std::string>& refusals)
    {
        std::vector<RateChange> changes;
        const std::string field = "Bore " + std::to_string(bore) + ", schedule";
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find(',', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string entry = text.substr(start, end - start);
            start = end + 1;
            if (entry.find_first_not_of(" \t") == std::string::npos)
                continue;
            const std::size_t colon = entry.find(':');
            std::optional<double> hour, rate;
            if (colon != std::string::npos && entry.find(':', colon + 1) == std::string::npos) {
                hour = numberOfText(entry.substr(0, colon));
                rate = numberOfText(entry.substr(colon + 1));
            }
            if (!hour || !rate) {
                refusals.push_back(field + " must be hour:rate pairs such as 12:0, 30:3; "
                    + quotedExcerpt(entry) + " is not one.");
                return std::nullopt;
            }
            if (*hour < 0.0 || *rate < 0.0) {
                refusals.push_back(field + ": hours and rates cannot be negative; "
                    + quotedExcerpt(entry) + " has one.");
                return std::nullopt;
            }
            const double seconds = *hour * 3600.0;
            if (!changes.empty() && !(seconds > changes.back().StartSeconds)) {
                refusals.push_back(field + ": the hours must increase; " + quotedExcerpt(entry)
                    + " comes after a later or equal hour.");
                return std::nullopt;
            }
            changes.push_back({ seconds, *rate / 3600.0 });
        }
        return changes;
    }

    // "EPSG:" and digits, in any letter case, blanks around; or nothing.
    std::string normalisedCrs(const std::string& text)
    {
        std::string crs;
        for (char c : text)
            if (c != ' ' && c != '\t')
                crs.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        return crs;
    }

    bool crsIsWellFormed(const std::string& text)
    {
        const std::string crs = normalisedCrs(text);
        if (crs.empty())
            return true;
        if (!crs.starts_with("EPSG:") || crs.size() == 5 || crs.size() > 15)
            return false;
        return std::all_of(crs.begin() + 5, crs.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // Which side of the line through a and b the point p lies on: +1, -1, or 0 on the line.
    int sideOf(const Boundary& line, double x, double y)
    {
        const double cross
            = (line.X2 - line.X1) * (y - line.Y1) - (line.Y2 - line.Y1) * (x - line.X1);
        return cross > 0.0 ? 1 : cross < 0.0 ? -1 : 0;
    }

    std::optional<double> readCoordinate(
        const std::string& text, const std::string& field, std::vector<std::string>& refusals)
    {
        std::optional<double> value = numberOfText(text);
        if (!value)
            refusals.push_back(
                field + " " + quotedExcerpt(text) + " is too large a number to compute with.");
        return value;
    }

} // namespace

bool ScenarioInputs::pumps(int bore) const
{
    const auto index = static_cast<std::size_t>(bore);
    return Wells[index].Rate > 0.0
        || std::any_of(Schedules[index].begin(), Schedules[index].end(),
            [](const RateChange& change) { return change.Rate > 0.0; });
}

bool isInAquifer(const ScenarioInputs& inputs, double x, double y)
{
    for (const Boundary& line : inputs.Boundaries) {
        const int side = sideOf(line, x, y);
        if (side != 0 && side != sideOf(line, inputs.Wells[0].X, inputs.Wells[0].Y))
            return false;
    }
    return true;
}

const char* methodText(WellMethod method)
{
    return method == WellMethod::Theis ? "theis" : "cooper-jacob";
}

std::optional<WellMethod> methodOfText(std::string_view text)
{
    const std::string name = lowered(text);
    if (name == "cooper-jacob")
        return WellMethod::CooperJacob;
    if (name == "theis")
        return WellMethod::Theis;
    return std::nullopt;
}

std::optional<bool> yesNoOfText(std::string_view text)
{
    const std::string word = lowered(text);
    if (word == "yes")
        return true;
    if (word == "no")
        return false;
    return std::nullopt;
}

ScenarioTexts ScenarioTexts::example()
{
    ScenarioTexts texts;
    texts.wells[0] = { "30", "30", "6" };
    texts.wells[1] = { "60", "60", "4" };
    return texts;
}

ScenarioReading readScenario(const ScenarioTexts& texts)
{
    ScenarioReading reading;
    ScenarioInputs& in = reading.inputs;
    std::vector<std::string>& refusals = reading.refusals;

    std::optional<std::int16_t> xMin = readMetres(texts.xMin, "X minimum", refusals);
    std::optional<std::int16_t> yMin = readMetres(texts.yMin, "Y minimum", refusals);
    // The maximum bounds both axes, so it is accepted from the larger minimum up: one field,
    // one refusal, naming the range that is really accepted.
    std::optional<std::int16_t> xMax = integerOfText(texts.xMax);
    const int lowestMaximum = std::max<int>(xMin.value_or(-32768), yMin.value_or(-32768));
    if (!xMax || *xMax < lowestMaximum)
        refusals.push_back("X and Y maximum must be a whole number of metres from "
            + std::to_string(lowestMaximum) + " to 32767; " + quoted(texts.xMax)
            + (xMax ? " is below that." : " is outside that range."));
    in.XMin = xMin.value_or(0);
    in.YMin = yMin.value_or(0);
    in.XMax = xMax.value_or(0);
    in.YMax = in.XMax;
    if (xMax && in.XMax > 500)
        reading.warnings.push_back(messages::LargeXSize);
    if (xMax && in.YMax > 5000)
        reading.warnings.push_back(messages::LargeYSize);

    std::optional<std::int16_t> step = integerOfText(texts.cellSize);
    if (step && *step == 0)
        step = 1;
    if (!step || *step < 1)
        refusals.push_back("Cell size must be a whole number of metres from 1 to 32767; "
            + quoted(texts.cellSize) + " is not.");
    else
        in.Step = *step;

    // Positions are only worth a warning on a map that can be computed.
    bool mapKnown = xMin && yMin && xMax && in.XMax >= in.XMin && in.YMax >= in.YMin;
    bool positionCheckGoesOn = true;
    for (int i = 0; i < WellCount; ++i)
        if (std::optional<std::vector<RateChange>> schedule
            = readSchedule(texts.schedules[static_cast<std::size_t>(i)], i + 1, refusals))
            in.Schedules[static_cast<std::size_t>(i)] = std::move(*schedule);
    for (int i = 0; i < WellCount; ++i) {
        const WellTexts& row = texts.wells[static_cast<std::size_t>(i)];
        WellInput& well = in.Wells[static_cast<std::size_t>(i)];
        std::optional<double> rate
            = readReal(row.rate, wellField(i + 1, "Pumping rate (m3/h)"), refusals);
        if (!rate) {
            positionCheckGoesOn = false;
            continue;
        }
        if (*rate < 0.0)
            refusals.push_back(wellField(i + 1, "Pumping rate (m3/h)") + " cannot be negative; "
                + quoted(row.rate) + " would inject water, which is not modelled.");
        well.Rate = *rate / 3600.0;
        if (!in.pumps(i)) {
            // The position check stops at the first row without a rate; later rows still pump.
            positionCheckGoesOn = false;
            continue;
        }
        std::optional<std::int16_t> x = readMetres(row.x, wellField(i + 1, "X well"), refusals);
        std::optional<std::int16_t> y = readMetres(row.y, wellField(i + 1, "Y well"), refusals);
        well.X = x.value_or(0);
        well.Y = y.value_or(0);
        if (positionCheckGoesOn && mapKnown) {
            if (x && (well.X < in.XMin || well.X > in.XMax))
                reading.warnings.push_back(messages::PumpingOutsideOfMap);
            if (y && (well.Y < in.YMin || well.Y > in.YMax))
                reading.warnings.push_back(messages::PumpingOutsideOfMap);
        }
    }

    std::optional<double> transmissivity
        = readReal(texts.transmissivity, "Transmissivity (m2/s)", refusals);
    std::optional<double> storage
        = readReal(texts.storage, "S Coefficient of storage (%)", refusals);
    std::optional<double> pumpTime = readReal(texts.pumpTime, "Pumping time (hours)", refusals);
    std::optional<double> thickness = readReal(texts.thickness, "Aquifer thickness (m)", refusals);
    in.Transmissivity = transmissivity.value_or(0.0);
    in.Storage = storage.value_or(0.0) / 100.0;
    in.PumpTime = pumpTime.value_or(0.0) * 3600.0;
    in.Thickness = thickness.value_or(0.0);

    requirePositive(transmissivity, texts.transmissivity, "Transmissivity (m2/s)", refusals);
    requirePositive(storage, texts.storage, "S Coefficient of storage (%)", refusals);
    requirePositive(pumpTime, texts.pumpTime, "Pumping time (hours)", refusals);

    if (std::optional<WellMethod> method = methodOfText(texts.method))
        in.Method = *method;
    else
        refusals.push_back(
            "Method must be cooper-jacob or theis; " + quoted(texts.method) + " is neither.");
    if (std::optional<bool> unconfined = yesNoOfText(texts.unconfined))
        in.Unconfined = *unconfined;
    else
        refusals.push_back("Unconfined correction must be yes or no; " + quoted(texts.unconfined)
            + " is neither.");
    // The correction divides by the thickness: it needs one.
    if (in.Unconfined && thickness && !(*thickness > 0.0))
        refusals.push_back("Aquifer thickness (m) must be greater than 0 for the unconfined "
                           "correction; "
            + quoted(texts.thickness) + " reads as "
            + realText(*thickness).substr(*thickness < 0 ? 0 : 1) + ".");

    // Straight boundaries: one line, or two perpendicular ones; every pumping bore on the side of
    // each where bore 1 stands.
    for (int b = 0; b < BoundaryCount; ++b) {
        const BoundaryTexts& line = texts.boundaries[static_cast<std::size_t>(b)];
        if (line.isEmpty())
            continue;
        const std::string field = "Boundary " + std::to_string(b + 1);
        Boundary boundary;
        std::string kind = lowered(line.kind);
        if (kind == "barrier")
            boundary.Kind = BoundaryKind::Barrier;
        else if (kind == "recharge")
            boundary.Kind = BoundaryKind::Recharge;
        else
            refusals.push_back(field + ", kind must be barrier or recharge; " + quoted(line.kind)
                + " is neither.");
        std::optional<double> x1 = readCoordinate(line.x1, field + ", x1", refusals);
        std::optional<double> y1 = readCoordinate(line.y1, field + ", y1", refusals);
        std::optional<double> x2 = readCoordinate(line.x2, field + ", x2", refusals);
        std::optional<double> y2 = readCoordinate(line.y2, field + ", y2", refusals);
        if (!x1 || !y1 || !x2 || !y2)
            continue;
        boundary = { boundary.Kind, *x1, *y1, *x2, *y2 };
        if (*x1 == *x2 && *y1 == *y2) {
            refusals.push_back(field
                + " needs two distinct points for its line; (x1, y1) and "
                  "(x2, y2) are the same.");
            continue;
        }
        in.Boundaries.push_back(boundary);
    }
    if (in.Boundaries.size() == 2) {
        const Boundary& a = in.Boundaries[0];
        const Boundary& b = in.Boundaries[1];
        const double ax = a.X2 - a.X1, ay = a.Y2 - a.Y1, bx = b.X2 - b.X1, by = b.Y2 - b.Y1;
        const double dot = ax * bx + ay * by;
        if (std::fabs(dot) > 1e-9 * std::hypot(ax, ay) * std::hypot(bx, by))
            refusals.push_back("Boundary 2 must be perpendicular to boundary 1: parallel lines "
                               "and lines at another angle are not modelled.");
    }
    for (std::size_t b = 0; b < in.Boundaries.size() && in.pumps(0); ++b) {
        const Boundary& line = in.Boundaries[b];
        const int aquifer = sideOf(line, in.Wells[0].X, in.Wells[0].Y);
        for (int i = 0; i < WellCount; ++i) {
            if (!in.pumps(i))
                continue;
            const int side = sideOf(line, in.Wells[static_cast<std::size_t>(i)].X,
                in.Wells[static_cast<std::size_t>(i)].Y);
            if (side == 0 || side != aquifer) {
                refusals.push_back("Bore " + std::to_string(i + 1) + " stands "
                    + (side == 0 ? "on boundary " : "beyond boundary ") + std::to_string(b + 1)
                    + ": the aquifer is the side of each boundary where bore 1 stands, and every "
                      "pumping bore must be inside it.");
                break;
            }
        }
    }

    for (int o = 0; o < ObservationCount; ++o) {
        const ObservationTexts& point = texts.observations[static_cast<std::size_t>(o)];
        if (point.isEmpty())
            continue;
        const std::string field = "Observation point " + std::to_string(o + 1);
        std::optional<double> x = readCoordinate(point.x, field + ", x", refusals);
        std::optional<double> y = readCoordinate(point.y, field + ", y", refusals);
        in.Observations.push_back(
            { point.name.empty() ? field : point.name, x.value_or(0.0), y.value_or(0.0) });
    }
    if (!texts.profile.isEmpty()) {
        std::optional<double> x1 = readCoordinate(texts.profile.x1, "Profile, x1", refusals);
        std::optional<double> y1 = readCoordinate(texts.profile.y1, "Profile, y1", refusals);
        std::optional<double> x2 = readCoordinate(texts.profile.x2, "Profile, x2", refusals);
        std::optional<double> y2 = readCoordinate(texts.profile.y2, "Profile, y2", refusals);
        if (x1 && y1 && x2 && y2) {
            if (*x1 == *x2 && *y1 == *y2)
                refusals.push_back("Profile needs two distinct points; (x1, y1) and (x2, y2) are "
                                   "the same.");
            else
                in.ProfileLine = Profile { *x1, *y1, *x2, *y2 };
        }
    }

    if (!texts.georeference.isEmpty()) {
        const GeoreferenceTexts& geo = texts.georeference;
        std::optional<double> easting
            = readCoordinate(geo.easting, "Georeference, easting", refusals);
        std::optional<double> northing
            = readCoordinate(geo.northing, "Georeference, northing", refusals);
        if (!crsIsWellFormed(geo.crs))
            refusals.push_back("Georeference, crs must be an EPSG code such as EPSG:25832; "
                + quoted(geo.crs) + " is not one.");
        else if (easting && northing)
            in.Place = Georeference { *easting, *northing, normalisedCrs(geo.crs) };
    }

    // Extreme but accepted values can still overflow the formula (a transmissivity of 1E-320).
    if (refusals.empty()) {
        for (int i = 0; i < WellCount; ++i) {
            const WellInput& well = in.Wells[static_cast<std::size_t>(i)];
            if (!in.pumps(i))
                continue;
            double rate = well.Rate;
            for (const RateChange& change : in.Schedules[static_cast<std::size_t>(i)])
                rate = std::max(rate, change.Rate);
            CooperJacobWell term(rate, in.Transmissivity, in.Storage, in.PumpTime);
            TheisWell theis(rate, in.Transmissivity, in.Storage, in.PumpTime);
            bool finite = in.Method == WellMethod::Theis
                ? std::isfinite(theis.A) && theis.uPerSquareMetre > 0.0
                    && std::isfinite(theis.contribution(1.0))
                : std::isfinite(term.A) && std::isfinite(term.term(1.0));
            if (!finite) {
                refusals.push_back("Bore " + std::to_string(i + 1)
                    + ": transmissivity, storage coefficient, pumping time and pumping rate give "
                      "no finite drawdown; check their values.");
                break;
            }
        }
    }

    if (in.Wells[0].Rate == 0.0 && numberOfText(texts.wells[0].rate) && !in.pumps(0))
        refusals.push_back(messages::NoPumpingRate);
    return reading;
}

} // namespace drawfield
