#include "compute/run.h"

namespace drawfield {

std::optional<RunResult> computeRun(const ScenarioInputs& inputs, const EngineOptions& options)
{
    std::optional<DrawdownResult> map = computeDrawdown(inputs, options);
    if (!map)
        return std::nullopt;
    RunResult run { std::move(*map), {}, {}, {}, {} };
    ThicknessReached reached;
    if (!inputs.Observations.empty()) {
        run.curves = observationCurves(inputs);
        reached = run.curves.reached;
    }
    if (inputs.ProfileLine)
        run.profile = profileAlong(inputs, 201, &reached);
    if (options.stopToken.stop_requested())
        return std::nullopt;
    run.verdicts = verdictsOf(inputs);
    run.messages = messagesAfterRun(run.map, inputs, reached);
    return run;
}

} // namespace drawfield
