#include "analysis/fit.h"

#include "compute/units.h"
#include "files/atomic_file.h"
#include "files/csv.h"
#include "files/number_text.h"
#include "scenario/fit_record.h"
#include "scenario/text_rules.h"
#include "scenario/units.h"

#include <cmath>
#include <sstream>

namespace drawfield {
namespace {

    // The shortest text a field takes that reads back in its unit, as the scenario reader reads
    // it (a number in %: divided by 100), to the very value: a scenario written after a fit
    // re-runs to the fitted drawdowns. Without an exponent where the field takes none; else an
    // upper-case E where the value needs one.
    std::string fieldText(double value, const UnitFactor& unit, bool exponentAllowed)
    {
        auto textOf = [&](double x, int digits) {
            std::string text = significantText(x, digits);
            const std::size_t e = text.find('e');
            if (e == std::string::npos)
                return text;
            if (exponentAllowed) {
                text[e] = 'E';
                return text;
            }
            return plainSignificantText(x, digits);
        };
        auto readsBack = [&](const std::string& text) {
            const std::optional<double> read = numberOfText(text);
            return read && unit.toSI(*read) == value;
        };
        // The value in the unit may be a rounding off the double that reads back to value: its
        // nearest neighbours are tried too.
        const double x = unit.fromSI(value);
        std::vector<double> candidates { x };
        double up = x, down = x;
        for (int step = 0; step < 4; ++step) {
            up = std::nextafter(up, HUGE_VAL);
            down = std::nextafter(down, -HUGE_VAL);
            candidates.push_back(up);
            candidates.push_back(down);
        }
        for (int digits = 6; digits <= 17; ++digits)
            for (double candidate : candidates)
                if (const std::string text = textOf(candidate, digits); readsBack(text))
                    return text;
        // A unit whose factor is itself rounded (ft2/d) may skip the value: the text that reads
        // back nearest to it, a unit in the last place off.
        std::string nearest = textOf(x, 17);
        double least = HUGE_VAL;
        for (double candidate : candidates) {
            const std::string text = textOf(candidate, 17);
            const double off = std::fabs(unit.toSI(numberOfText(text).value_or(HUGE_VAL)) - value);
            if (off < least) {
                least = off;
                nearest = text;
            }
        }
        return nearest;
    }

    // A reading's time as a test report gives it: seconds, minutes, hours or days by its size
    // (in the [units] time where one is chosen).
    std::string readingTime(double seconds, const ResultUnits& units)
    {
        if (units.chosen)
            return durationText(seconds, units);
        struct Scale {
            double from, unit;
            const char* word;
        };
        constexpr Scale scales[]
            = { { 172800.0, 86400.0, "d" }, { 7200.0, 3600.0, "h" }, { 60.0, 60.0, "min" } };
        for (const Scale& scale : scales)
            if (seconds >= scale.from)
                return significantText(seconds / scale.unit, 4) + " " + scale.word;
        return significantText(seconds, 4) + " s";
    }

} // namespace

void showFitted(const FitResult& result, ScenarioTexts& texts)
{
    // Each value in the unit its field is read in: the [units] one for its quantity, else the
    // program's own.
    const UnitTexts& units = texts.units;
    for (const FitEstimate& estimate : result.estimates) {
        const FitParameter parameter = estimate.parameter;
        const bool chosen = !unitText(units, parameter->quantity).empty();
        if (parameter == transmissivityParameter())
            texts.transmissivity = fieldText(estimate.value,
                defaultUnit(units, Quantity::Transmissivity).value_or(UnitFactor {}), true);
        else if (parameter == storageParameter())
            texts.storage = fieldText(estimate.value,
                defaultUnit(units, Quantity::Storage).value_or(UnitFactor { 1.0, 100.0 }), chosen);
        else // read back as the number times its SI factor, or in its [units] unit
            (parameter->scope == ParameterScope::Bore
                    ? texts.bores.at(static_cast<std::size_t>(result.bore)).parameters
                    : texts.aquiferParameters)[std::string(parameter->key)]
                = fieldText(estimate.value,
                    chosen ? defaultUnit(units, parameter->quantity).value_or(UnitFactor {})
                           : UnitFactor { 1.0, 1.0 / parameter->perShownUnit },
                    false);
    }
}

void recordFit(const FitResult& result, const std::string& source, ScenarioTexts& texts)
{
    std::vector<ScenarioInputs::RecordedInterval> intervals;
    for (const FitEstimate& e : result.estimates)
        if (e.parameter->scope == ParameterScope::Aquifer) // a bore's own stay with its bore
            intervals.push_back({ std::string(e.parameter->symbol), e.value, e.low, e.high });
    texts.fit = { source, intervalsText(intervals) };
}

std::string fitSource(const std::string& scenarioName, const std::vector<MeasuredPoint>& points)
{
    std::string files;
    for (const MeasuredPoint& point : points)
        files += (files.empty() ? "" : ", ") + point.File.filename().string();
    return scenarioName + (files.empty() ? "" : " (" + files + ")");
}

std::string fitSummary(const FitResult& result)
{
    if (!result.succeeded)
        return result.problem + "\n";
    std::ostringstream out;
    out << "fit of " << result.readings << " readings at " << result.points.size()
        << (result.points.size() == 1 ? " point" : " points") << " ("
        << wellFunctionRow(result.fitted.Method).label << "), " << result.evaluations
        << " evaluations:\n";
    for (const FitEstimate& e : result.estimates) {
        const std::string unit(e.parameter->siUnit);
        const bool own = e.parameter->scope == ParameterScope::Bore && result.bore >= 0;
        out << "  " << e.parameter->symbol
            << (own ? " of " + result.fitted.Wells[static_cast<std::size_t>(result.bore)].Name : "")
            << " = " << significantText(e.value, 5) << (unit.empty() ? "" : " " + unit)
            << ", standard error " << significantText(e.standardError, 2) << ", 95 % interval "
            << significantText(e.low, 4) << " .. " << significantText(e.high, 4);
        // T also in m2/d, or in the unit the scenario chose.
        const ResultUnits& units = result.fitted.Units;
        if (e.parameter == transmissivityParameter())
            out << " ("
                << (units.chosen && units.transmissivity.word != "m2/s"
                           ? significantText(units.transmissivity.of(e.value), 5) + " "
                               + units.transmissivity.word
                           : significantText(e.value * SecondsPerDay, 5) + " m2/d")
                << ")";
        // A value shown in another unit than its SI one (C in h2/m5) also in that.
        else if (e.parameter->perShownUnit != 1.0 && e.parameter->unit != e.parameter->siUnit
            && e.parameter->quantity == Quantity::Ratio && !e.parameter->unit.empty())
            out << " (" << significantText(e.value / e.parameter->perShownUnit, 5) << " "
                << e.parameter->unit << ")";
        out << "\n";
    }
    for (std::size_t a = 0; a < result.estimates.size(); ++a)
        for (std::size_t b = a + 1; b < result.estimates.size(); ++b)
            out << "  correlation of " << result.estimates[a].parameter->symbol << " and "
                << result.estimates[b].parameter->symbol << ": "
                << significantText(result.correlation[a][b], 3) << "\n";
    out << "  RMSE " << significantText(result.rmseMetres, 4) << " m over " << result.readings
        << " readings\n";
    if (!result.straightLines.empty())
        out << "straight lines:\n";
    for (const StraightLineEstimate& line : result.straightLines) {
        out << "  " << line.method << ", " << line.point
            << ": T = " << significantText(line.transmissivity, 4) << " m2/s";
        if (!std::isnan(line.storage))
            out << ", S = " << significantText(line.storage, 3);
        out << " (" << readingTime(line.fromSeconds, result.fitted.Units) << " to "
            << readingTime(line.toSeconds, result.fitted.Units);
        if (line.method == "cooper-jacob")
            out << (line.fromSeconds >= line.uBelowFromSeconds ? "; u < 0.05 from "
                                                               : "; u < 0.05 only from ")
                << readingTime(line.uBelowFromSeconds, result.fitted.Units);
        out << ")\n";
    }
    // A step test in the units its rates are typed in: Q in m3/h, B in h/m2, C in h2/m5.
    for (const StepTest& test : result.stepTests) {
        out << "step test, " << test.point
            << ": B = " << significantText(test.aquiferLoss / SecondsPerHour, 4) << " h/m2, C = "
            << significantText(test.wellLoss / (SecondsPerHour * SecondsPerHour), 4)
            << " h2/m5 (s = B Q + C Q^2, Q in m3/h)";
        if (!std::isnan(test.transmissivity))
            out << ", T = " << significantText(test.transmissivity, 4) << " m2/s";
        out << "\n";
        for (const StepTestStep& step : test.steps)
            out << "  " << significantText(step.rate * SecondsPerHour, 4)
                << " m3/h: " << significantText(step.drawdownMetres, 4) << " m at "
                << readingTime(step.endSeconds, result.fitted.Units) << ", efficiency "
                << significantText(100.0 * step.efficiency, 3) << " %\n";
    }
    return out.str();
}

void writeFitReport(const std::filesystem::path& path, const FitResult& result)
{
    auto number = [](double value) { return significantText(value, 17); };
    std::string text = "parameter,estimate,standard_error,low_95,high_95,unit\n";
    for (const FitEstimate& e : result.estimates)
        text += std::string(e.parameter->symbol) + "," + number(e.value) + ","
            + number(e.standardError) + "," + number(e.low) + "," + number(e.high) + ","
            + std::string(e.parameter->siUnit) + "\n";
    for (std::size_t a = 0; a < result.estimates.size(); ++a)
        for (std::size_t b = a + 1; b < result.estimates.size(); ++b)
            text += "correlation " + std::string(result.estimates[a].parameter->symbol) + " "
                + std::string(result.estimates[b].parameter->symbol) + ","
                + number(result.correlation[a][b]) + ",,,,\n";
    text += "rmse," + number(result.rmseMetres) + ",,,,m\n";
    text += "readings," + std::to_string(result.readings) + ",,,,\n";
    if (!result.straightLines.empty())
        text += "\nmethod,point,T_m2s,S,from_s,to_s,u_below_0.05_from_s\n";
    for (const StraightLineEstimate& line : result.straightLines)
        text += line.method + "," + csvCell(line.point) + "," + number(line.transmissivity) + ","
            + (std::isnan(line.storage) ? "" : number(line.storage)) + ","
            + number(line.fromSeconds) + "," + number(line.toSeconds) + ","
            + (line.method == "cooper-jacob" ? number(line.uBelowFromSeconds) : "") + "\n";
    if (!result.stepTests.empty())
        text += "\nstep_test,point,rate_m3h,end_s,drawdown_m,efficiency,B_h_m2,C_h2_m5\n";
    for (const StepTest& test : result.stepTests)
        for (const StepTestStep& step : test.steps)
            text += "step-test," + csvCell(test.point) + "," + number(step.rate * SecondsPerHour)
                + "," + number(step.endSeconds) + "," + number(step.drawdownMetres) + ","
                + number(step.efficiency) + "," + number(test.aquiferLoss / SecondsPerHour) + ","
                + number(test.wellLoss / (SecondsPerHour * SecondsPerHour)) + "\n";
    text += "\npoint,time_s,measured_m,computed_m,residual_m\n";
    for (const FittedPoint& point : result.points)
        for (std::size_t i = 0; i < point.timesSeconds.size(); ++i)
            text += csvCell(point.name) + "," + number(point.timesSeconds[i]) + ","
                + number(point.measuredMetres[i]) + "," + number(point.computedMetres[i]) + ","
                + number(point.measuredMetres[i] - point.computedMetres[i]) + "\n";
    AtomicFile file(path, "fit report");
    file.write(text);
    file.commit();
}

} // namespace drawfield
