#include "scenario/fit_record.h"

#include "compute/wells/well_function.h"
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace drawfield {
namespace {

    // The shortest text that reads back to the same double.
    void appendShortest(std::string& out, double value)
    {
        std::array<char, 32> text {};
        const auto end = std::to_chars(text.data(), text.data() + text.size(), value);
        out.append(text.data(), end.ptr);
    }

    // A number as written, the whole of the text but its blanks.
    std::optional<double> numberIn(std::string_view text)
    {
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

} // namespace

std::string intervalsText(const std::vector<ScenarioInputs::RecordedInterval>& intervals)
{
    std::string text;
    for (const ScenarioInputs::RecordedInterval& interval : intervals) {
        text += (text.empty() ? "" : "; ") + interval.Symbol + " = ";
        appendShortest(text, interval.Value);
        text += " (95 %: ";
        appendShortest(text, interval.Low);
        text += " .. ";
        appendShortest(text, interval.High);
        text += ")";
    }
    return text;
}

std::vector<ScenarioInputs::RecordedInterval> intervalsOfText(const std::string& text)
{
    std::vector<ScenarioInputs::RecordedInterval> intervals;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string_view entry = std::string_view(text).substr(start, end - start);
        start = end + 1;
        const std::size_t equals = entry.find(" = "), open = entry.find(" (95 %: "),
                          dots = entry.find(" .. "), close = entry.rfind(')');
        if (equals == std::string_view::npos || open == std::string_view::npos
            || dots == std::string_view::npos || close == std::string_view::npos
            || !(equals < open && open < dots && dots < close))
            continue;
        std::string symbol(entry.substr(0, equals));
        while (!symbol.empty() && symbol.front() == ' ')
            symbol.erase(symbol.begin());
        const auto value = numberIn(entry.substr(equals + 3, open - equals - 3));
        const auto low = numberIn(entry.substr(open + 8, dots - open - 8));
        const auto high = numberIn(entry.substr(dots + 4, close - dots - 4));
        if (!symbol.empty() && value && low && high && *low <= *value && *value <= *high)
            intervals.push_back({ symbol, *value, *low, *high });
    }
    return intervals;
}

std::vector<ScenarioInputs::RecordedInterval> currentIntervals(const ScenarioInputs& inputs)
{
    const WellFunction& row = wellFunctionRow(inputs.Method);
    auto valueOf = [&](const std::string& symbol) -> std::optional<double> {
        if (symbol == "T")
            return inputs.Transmissivity;
        if (symbol == "S")
            return inputs.Storage;
        for (std::size_t i = 0; i < row.parameters.size(); ++i)
            if (row.parameters[i].symbol == symbol
                && row.parameters[i].scope == ParameterScope::Aquifer
                && i < inputs.AquiferValues.size())
                return inputs.AquiferValues[i];
        return std::nullopt;
    };
    std::vector<ScenarioInputs::RecordedInterval> current;
    for (const ScenarioInputs::RecordedInterval& interval : inputs.FitIntervals)
        if (const auto value = valueOf(interval.Symbol);
            value && std::fabs(*value - interval.Value) <= 1e-12 * std::fabs(interval.Value))
            current.push_back(interval);
    return current;
}

} // namespace drawfield
