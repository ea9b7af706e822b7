#include "batch/summary.h"

#include "batch/batch_run.h"
#include "compute/observations.h"
#include "files/number_text.h"
#include "scenario/scenario.h"

#include <ostream>
#include <string>

namespace drawfield {
namespace {

    // The well function as the summary line names it: "Theis", "Cooper-Jacob".
    std::string summaryName(WellMethod method)
    {
        const std::string label = wellFunctionRow(method).label;
        return label.substr(0, label.find(" ("));
    }

    std::string metres(double value)
    {
        std::string text = realText(value);
        return text.front() == ' ' ? text.substr(1) : text;
    }

} // namespace

void writeSummary(std::ostream& summary, const BatchRun& batch, double seconds)
{
    const ScenarioInputs& inputs = batch.inputs;
    const DrawdownResult& map = batch.run.map;
    const DrawdownGrid& grid = *map.grid;
    long long nodes = static_cast<long long>(grid.columnCount()) * grid.rowCount();
    // In the site's eastings and northings where the scenario writes them.
    const bool site = inputs.SiteCoordinates && inputs.Place;
    auto x = [&](double local) { return metres(inputs.shownX(local)); };
    auto y = [&](double local) { return metres(inputs.shownY(local)); };
    summary << "map " << (site ? "E " : "") << x(grid.xMin()) << ".." << x(grid.xMax()) << " x "
            << (site ? "N " : "") << y(grid.yMin()) << ".." << y(grid.yMax()) << " m"
            << (site ? " (" + inputs.Place->Crs + ")" : "") << ", cell " << grid.nodeSpacing()
            << " m: " << nodes << " nodes; " << summaryName(inputs.Method);
    // The well function's own parameters, as its table names them: ", B 745 m".
    const WellFunction& row = wellFunctionRow(inputs.Method);
    // Lengths in the unit [units] chose, the program's own metres without it.
    const ShownUnit& length = inputs.Units.length;
    for (std::size_t i = 0; i < row.parameters.size(); ++i) {
        const WellParameter& parameter = row.parameters[i];
        if (parameter.scope != ParameterScope::Aquifer)
            continue;
        const bool inLength = parameter.quantity == Quantity::Length && inputs.Units.chosen;
        const std::string_view unit = inLength ? std::string_view(length.word) : parameter.unit;
        summary << ", " << parameter.symbol << " "
                << metres(inLength ? length.of(inputs.AquiferValues.at(i))
                                   : inputs.AquiferValues.at(i) / parameter.perShownUnit)
                << (unit.empty() ? "" : " ") << unit;
    }
    summary << (inputs.Unconfined ? ", unconfined" : "");
    // The depth the map is read at (its screen's top and bottom alike), where it is given.
    for (std::size_t i = 0; i < row.parameters.size() && i < inputs.MapValues.size(); ++i)
        if (row.parameters[i].scope == ParameterScope::Observation) {
            summary << ", read at " << metres(length.of(inputs.MapValues[i])) << " " << length.word
                    << " depth";
            break;
        }
    // The headline as the report gives it: in a bore, at its radius; then the map's largest node.
    if (const LargestBoreDrawdown inBore = largestBoreDrawdown(inputs); inBore.bore >= 0)
        summary << "; largest drawdown in a bore " << metres(length.of(inBore.metres)) << " "
                << length.word << " (" << inputs.Wells[static_cast<std::size_t>(inBore.bore)].Name
                << ", at " << length.of(inBore.radiusMetres) << " " << length.word << " from it)";
    summary << "; largest on the map's nodes " << metres(length.of(map.largest.drawdown)) << " "
            << length.word << " at (" << x(map.largest.x) << ", " << y(map.largest.y) << "); "
            << seconds << " s\n";
    for (const std::string& line : verdictLines(batch.run.verdicts, inputs))
        summary << line << '\n';
}

std::vector<std::string> verdictLines(const Verdicts& verdicts, const ScenarioInputs& inputs)
{
    const ShownUnit& length = inputs.Units.length;
    auto lengthText
        = [&](double si) { return plainSignificantText(length.of(si), 4) + " " + length.word; };
    auto timeText = [&](double seconds) { return durationText(seconds, inputs.Units); };
    std::vector<std::string> lines;
    for (const BoreVerdict& bore : verdicts.bores)
        lines.push_back(inputs.Wells[static_cast<std::size_t>(bore.bore)].Name
            + ": largest drawdown " + lengthText(bore.largestMetres) + " of "
            + lengthText(bore.availableMetres) + " available ("
            + plainSignificantText(100.0 * bore.share(), 3) + " %); "
            + (bore.runsDry() ? "runs dry at " + timeText(*bore.drySeconds) : "does not run dry"));
    for (const PointVerdict& point : verdicts.points)
        lines.push_back(inputs.Observations[point.point].Name + ": largest drawdown "
            + lengthText(point.largestMetres) + " (at " + timeText(point.largestSeconds)
            + "), limit " + lengthText(point.limitMetres) + "; "
            + (point.passed() ? "passed at " + timeText(*point.passedSeconds) : "not passed"));
    return lines;
}

} // namespace drawfield
