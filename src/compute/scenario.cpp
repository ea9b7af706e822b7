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
        if (*rate == 0.0) {
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

    // Extreme but accepted values can still overflow the formula (a transmissivity of 1E-320).
    if (refusals.empty()) {
        for (int i = 0; i < WellCount; ++i) {
            const WellInput& well = in.Wells[static_cast<std::size_t>(i)];
            if (well.Rate <= 0.0)
                continue;
            CooperJacobWell term(well.Rate, in.Transmissivity, in.Storage, in.PumpTime);
            TheisWell theis(well.Rate, in.Transmissivity, in.Storage, in.PumpTime);
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

    if (in.Wells[0].Rate == 0.0 && numberOfText(texts.wells[0].rate))
        refusals.push_back(messages::NoPumpingRate);
    return reading;
}

} // namespace drawfield
