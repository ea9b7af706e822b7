#include "analysis/fit.h"

#include "analysis/fit_statistics.h"
#include "compute/ascii_case.h"

#include "compute/observations.h"
#include "compute/sources.h"
#include "compute/wells/cooper_jacob.h"
#include "compute/wells/well_function.h"
#include "files/atomic_file.h"
#include "files/csv.h"
#include "files/number_text.h"
#include "files/user_text.h"
#include "scenario/text_rules.h"

#include <boost/math/distributions/students_t.hpp>
#include <cminpack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <variant>

namespace drawfield {
namespace {

    // The readings flattened, with what a drawdown there needs.
    struct Readings {
        std::vector<double> x, y, t, s;
        std::vector<double> rootWeight; // sqrt of each reading's weight
        double weights = 0.0; // their sum
    };

    // How a fit varies a parameter: the number it moves (the logarithm of the value, or the
    // logit of its place in its range) and the value it stands for.
    struct Scale {
        FitScale kind = FitScale::Log;
        double low = 0.0, high = 0.0;
        [[nodiscard]] double valueOf(double x) const
        {
            return kind == FitScale::Logit ? low + (high - low) / (1.0 + std::exp(-x))
                                           : std::exp(x);
        }
        [[nodiscard]] double numberOf(double value) const
        {
            return kind == FitScale::Logit ? std::log((value - low) / (high - value))
                                           : std::log(value);
        }
        // d value / d x
        [[nodiscard]] double slope(double x) const
        {
            if (kind != FitScale::Logit)
                return std::exp(x);
            const double e = std::exp(-std::fabs(x));
            return (high - low) * e / ((1.0 + e) * (1.0 + e));
        }
    };
    Scale scaleOf(FitParameter parameter)
    {
        const FitRange range = fitRangeOf(parameter);
        return { parameter->fit, range.low, range.high };
    }

    // Where a parameter of the well function's table stands in it; empty for T and S, or one of
    // another row.
    std::optional<std::size_t> indexIn(const WellFunction& row, FitParameter parameter)
    {
        for (std::size_t i = 0; i < row.parameters.size(); ++i)
            if (&row.parameters[i] == parameter)
                return i;
        return std::nullopt;
    }

    bool ownedByBore(FitParameter parameter) { return parameter->scope == ParameterScope::Bore; }

    void setIn(Aquifer& aquifer, FitParameter parameter, double value)
    {
        if (parameter == transmissivityParameter())
            aquifer.transmissivity = value;
        else if (parameter == storageParameter())
            aquifer.storage = value;
        else if (const auto index = indexIn(*aquifer.function, parameter);
                 index && !ownedByBore(parameter))
            aquifer.values.at(*index) = value;
    }

    // A value in the scenario; a bore's own in `bore`'s.
    double valueIn(const ScenarioInputs& in, FitParameter parameter, int bore)
    {
        if (parameter == transmissivityParameter())
            return in.Transmissivity;
        if (parameter == storageParameter())
            return in.Storage;
        const auto index = indexIn(wellFunctionRow(in.Method), parameter);
        if (!index)
            return 0.0;
        return ownedByBore(parameter)
            ? in.Wells.at(static_cast<std::size_t>(bore)).Values.at(*index)
            : in.AquiferValues.at(*index);
    }

    void setIn(ScenarioInputs& in, FitParameter parameter, double value, int bore)
    {
        if (parameter == transmissivityParameter())
            in.Transmissivity = value;
        else if (parameter == storageParameter())
            in.Storage = value;
        else if (const auto index = indexIn(wellFunctionRow(in.Method), parameter))
            (ownedByBore(parameter) ? in.Wells.at(static_cast<std::size_t>(bore)).Values
                                    : in.AquiferValues)
                .at(*index)
                = value;
    }

    // The bore a fit of a bore's own parameter is of: the one pumping bore with its own readings;
    // else why there is none to fit.
    std::variant<int, std::string> fittedBore(
        const ScenarioInputs& in, const std::vector<MeasuredPoint>& points, FitParameter parameter)
    {
        std::vector<int> read;
        for (const MeasuredPoint& point : points)
            if (point.Bore >= 0 && std::find(read.begin(), read.end(), point.Bore) == read.end())
                read.push_back(point.Bore);
        std::sort(read.begin(), read.end());
        std::string label(parameter->label);
        label.front() = asciiLower(label.front());
        if (read.size() == 1)
            return read.front();
        if (read.empty())
            return "The " + label
                + " is a pumping bore's own: fitting it needs that bore's own readings (measured = "
                  "FILE in its [bore] section).";
        std::string names;
        for (std::size_t i = 0; i < read.size(); ++i)
            names += (i == 0                        ? ""
                             : i + 1 == read.size() ? " and "
                                                    : ", ")
                + in.Wells[static_cast<std::size_t>(read[i])].Name;
        return "The " + label + " is a pumping bore's own, and " + names
            + " each have their own readings: fit it with one of them read.";
    }

    class Problem {
    public:
        Problem(const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points,
            const std::vector<FitParameter>& parameters, int bore, std::stop_token stop)
            : m_inputs(inputs)
            , m_sources(sourceListOf(inputs))
            , m_parameters(parameters)
            , m_bore(bore)
            , m_stop(std::move(stop))
        {
            for (const MeasuredPoint& point : points) {
                m_pointStarts.push_back(m_readings.t.size());
                m_pointValues.push_back(point.Values);
                for (const Reading& reading : point.Readings) {
                    m_readings.x.push_back(point.X);
                    m_readings.y.push_back(point.Y);
                    m_readings.t.push_back(reading.TimeSeconds);
                    m_readings.s.push_back(reading.DrawdownMetres);
                    m_readings.rootWeight.push_back(std::sqrt(reading.Weight));
                    m_readings.weights += reading.Weight;
                }
            }
            m_pointStarts.push_back(m_readings.t.size());
        }

        [[nodiscard]] int readingCount() const { return static_cast<int>(m_readings.t.size()); }
        [[nodiscard]] const Readings& readings() const { return m_readings; }

        [[nodiscard]] Aquifer aquiferAt(const double* numbers) const
        {
            Aquifer aquifer = m_inputs.aquifer();
            for (std::size_t i = 0; i < m_parameters.size(); ++i)
                setIn(aquifer, m_parameters[i], scaleOf(m_parameters[i]).valueOf(numbers[i]));
            return aquifer;
        }

        // The drawdowns at every reading; false where one has no value.
        bool drawdowns(const double* logs, double* out)
        {
            ++evaluations;
            if (evaluated)
                evaluated(evaluations);
            const Aquifer aquifer = aquiferAt(logs);
            // A bore's own values go with its sources' terms.
            for (std::size_t i = 0; i < m_parameters.size(); ++i)
                if (ownedByBore(m_parameters[i]))
                    m_sources.boreValues.at(static_cast<std::size_t>(m_bore))
                        .at(*indexIn(*aquifer.function, m_parameters[i]))
                        = scaleOf(m_parameters[i]).valueOf(logs[i]);
            // A point's readings at once: a costly well function is then tabulated along time.
            for (std::size_t p = 0; p + 1 < m_pointStarts.size(); ++p) {
                const std::size_t first = m_pointStarts[p], end = m_pointStarts[p + 1];
                if (first < end)
                    drawdownsOverTime(seenFrom(aquifer, m_pointValues[p]), m_sources,
                        m_readings.x[first], m_readings.y[first], &m_readings.t[first], out + first,
                        end - first);
            }
            bool finite = true;
            for (int i = 0; i < readingCount(); ++i)
                finite = finite && std::isfinite(out[i]);
            return finite;
        }

        // measured - computed; a reading without a computed value counts as far off, so that the
        // solver backs away from where it went.
        bool residuals(const double* logs, double* out)
        {
            const bool finite = drawdowns(logs, out);
            for (int i = 0; i < readingCount(); ++i)
                out[i] = std::isfinite(out[i]) ? m_readings.rootWeight[static_cast<std::size_t>(i)]
                        * (m_readings.s[static_cast<std::size_t>(i)] - out[i])
                                               : 1e3;
            return finite;
        }

        [[nodiscard]] bool stopped() const { return m_stop.stop_requested(); }

        int evaluations = 0;
        std::function<void(int)> evaluated; // told each evaluation's number, where given

    private:
        const ScenarioInputs& m_inputs;
        SourceList m_sources;
        std::vector<FitParameter> m_parameters;
        int m_bore; // whose own parameters are fitted, or -1
        Readings m_readings;
        std::vector<std::size_t> m_pointStarts; // where each point's readings begin, and the end
        std::vector<std::vector<double>> m_pointValues; // each point's own (its screen)
        std::stop_token m_stop;
    };

    int residualsForMinpack(void* problem, int, int, const double* x, double* fvec, int)
    {
        auto& p = *static_cast<Problem*>(problem);
        if (p.stopped())
            return -1;
        (void)p.residuals(x, fvec);
        return 0;
    }

    double sumOfSquares(const std::vector<double>& values)
    {
        double sum = 0.0;
        for (double value : values)
            sum += value * value;
        return sum;
    }

    // Start values from Cooper-Jacob's line through the late readings of the point nearest a
    // pumping bore: the slope gives T and where it crosses s = 0 gives S.
    void cooperJacobStart(const ScenarioInputs& in, const std::vector<MeasuredPoint>& points,
        double& transmissivity, double& storage)
    {
        const MeasuredPoint* nearest = nullptr;
        double nearestR = 0.0;
        for (const MeasuredPoint& point : points) {
            const double r = distanceToNearestBore(in, point);
            if (r > 0.0 && (nearest == nullptr || r < nearestR)) {
                nearest = &point;
                nearestR = r;
            }
        }
        if (nearest == nullptr)
            return;
        const CooperJacobLine line = cooperJacobLine(in, *nearest);
        if (!line.valid)
            return;
        transmissivity = line.transmissivity;
        storage = line.storage;
    }

} // namespace

FitParameter transmissivityParameter() { return &baseParameters()[TransmissivityParameter]; }
FitParameter storageParameter() { return &baseParameters()[StorageParameter]; }

FitRange fitRangeOf(FitParameter parameter)
{
    return { parameter->low * parameter->perShownUnit, parameter->high * parameter->perShownUnit };
}

FitResult fitPumpingTest(const ScenarioInputs& inputs, const std::vector<MeasuredPoint>& points,
    const std::vector<FitParameter>& parameters, std::stop_token stop, int mostEvaluations,
    std::function<void(int)> evaluated)
{
    FitResult result;
    auto fail = [&](std::string why) {
        result.succeeded = false;
        result.problem = std::move(why);
        result.estimates.clear();
        result.points.clear();
        return result;
    };
    if (parameters.empty())
        return fail("No parameter to fit was named.");
    // A parameter of another well function than the scenario's has no place in its aquifer.
    const WellFunction& row = wellFunctionRow(inputs.Method);
    for (FitParameter parameter : parameters) {
        if (parameter == transmissivityParameter() || parameter == storageParameter()
            || indexIn(row, parameter))
            continue;
        std::string owners;
        for (const WellFunction& other : wellFunctions())
            if (indexIn(other, parameter))
                owners += std::string(owners.empty() ? "" : " or ") + other.label + " (method "
                    + other.text + ")";
        std::string label(parameter->label);
        label.front() = asciiLower(label.front());
        return fail("The " + label + " " + std::string(parameter->symbol)
            + " can only be fitted with " + owners + ".");
    }
    int bore = -1;
    for (FitParameter parameter : parameters)
        if (ownedByBore(parameter)) {
            const std::variant<int, std::string> found = fittedBore(inputs, points, parameter);
            if (const std::string* why = std::get_if<std::string>(&found))
                return fail(*why);
            bore = std::get<int>(found);
        }
    Problem problem(inputs, points, parameters, bore, stop);
    problem.evaluated = std::move(evaluated);
    const int m = problem.readingCount(), n = static_cast<int>(parameters.size());
    if (m <= n)
        return fail("The parameters are not determined by the readings: " + std::to_string(m)
            + (m == 1 ? " reading" : " readings") + " for " + std::to_string(n)
            + (n == 1 ? " parameter" : " parameters")
            + "; a fit needs more readings than parameters.");

    // The start: Cooper-Jacob's line for T and S, the scenario's values for the rest (within
    // the range a fit takes).
    double transmissivity = inputs.Transmissivity, storage = inputs.Storage;
    cooperJacobStart(inputs, points, transmissivity, storage);
    // A bore's well loss C from its step test, where its readings make one: scanned alone, with
    // the skin taking up the loss, the best C would be none.
    const std::optional<double> stepTestLoss = [&]() -> std::optional<double> {
        if (bore < 0)
            return std::nullopt;
        const std::vector<StepTest> tests = stepTests(inputs, points);
        for (const MeasuredPoint& point : points)
            for (const StepTest& test : tests)
                if (point.Bore == bore && test.point == point.Name && test.wellLoss > 0.0)
                    return test.wellLoss;
        return std::nullopt;
    }();
    std::vector<double> x(static_cast<std::size_t>(n));
    std::vector<bool> started(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const FitParameter parameter = parameters[i];
        const FitRange range = fitRangeOf(parameter);
        const bool fromStepTest
            = stepTestLoss && ownedByBore(parameter) && parameter->symbol == "C";
        const double start = parameter == transmissivityParameter() ? transmissivity
            : parameter == storageParameter()                       ? storage
            : fromStepTest                                          ? *stepTestLoss
                           : valueIn(inputs, parameter, bore);
        x[i] = scaleOf(parameter).numberOf(std::clamp(start, range.low, range.high));
        started[i] = parameter == transmissivityParameter() || parameter == storageParameter()
            || fromStepTest;
    }
    std::vector<double> residuals(static_cast<std::size_t>(m));
    if (!problem.residuals(x.data(), residuals.data())) {
        // A point outside the aquifer or on a pumping bore has no drawdown whatever the values.
        for (const MeasuredPoint& point : points)
            if (std::isnan(drawdownAt(inputs, point.X, point.Y, inputs.PumpTimeSeconds)))
                return fail("The readings of " + point.Name
                    + " cannot be fitted: the point lies outside the aquifer or on a pumping "
                      "bore, where the drawdown has no value.");
    }
    // The well function's own parameters from a scan of their range: one alone at quarter
    // decades (at most 40 steps); two together on a grid of 6 steps across each range (fewer
    // where quarter decades are fewer), as one may show only with the other (a specific yield
    // drains only as fast as the anisotropy lets it; scanned one after the other, each stopped at
    // the end of its range); more one after the other.
    std::vector<std::size_t> scanned;
    for (std::size_t k = 0; k < parameters.size(); ++k)
        if (!started[k])
            scanned.push_back(k);
    struct Axis {
        std::size_t k;
        double from, to;
        int steps;
        double best;
    };
    auto axisOf = [&](std::size_t k, int most) {
        const Scale scale = scaleOf(parameters[k]);
        // A bounded parameter from a millionth of its range (a well loss of 1e-6 h2/m5).
        const double from = scale.kind == FitScale::Logit ? -14.0 : std::log(scale.low);
        const double to = scale.kind == FitScale::Logit ? 6.0 : std::log(scale.high);
        return Axis { k, from, to,
            std::clamp(static_cast<int>((to - from) / (0.25 * std::log(10.0))), 1, most), x[k] };
    };
    double best = std::numeric_limits<double>::infinity();
    // Every step of the axes from `axis` on, the best kept in each axis' `best`.
    auto scan = [&](auto& self, std::vector<Axis>& axes, std::size_t axis) -> void {
        if (axis == axes.size()) {
            (void)problem.residuals(x.data(), residuals.data());
            if (const double sse = sumOfSquares(residuals); sse < best) {
                best = sse;
                for (Axis& a : axes)
                    a.best = x[a.k];
            }
            return;
        }
        Axis& a = axes[axis];
        for (int step = 0; step <= a.steps; ++step) {
            x[a.k] = a.from + (a.to - a.from) * step / a.steps;
            self(self, axes, axis + 1);
        }
    };
    auto scanTogether = [&](std::vector<Axis> axes) {
        best = std::numeric_limits<double>::infinity();
        scan(scan, axes, 0);
        for (const Axis& a : axes)
            x[a.k] = a.best;
    };
    if (scanned.size() == 2)
        scanTogether({ axisOf(scanned[0], 6), axisOf(scanned[1], 6) });
    else
        for (std::size_t k : scanned)
            scanTogether({ axisOf(k, 40) });
    // Where the row has a storage of its own (a specific yield, drained late), the line's
    // storage is the late one, S + Sy, and S itself may lie decades below: scanned down four
    // decades from it in half decades.
    const bool ownStorage = std::any_of(scanned.begin(), scanned.end(),
        [&](std::size_t k) { return parameters[k]->quantity == Quantity::Storage; });
    for (std::size_t k = 0; k < parameters.size() && ownStorage; ++k)
        if (parameters[k] == storageParameter()) {
            Axis below = axisOf(k, 8);
            below.to = x[k];
            below.from
                = std::max(x[k] - 4.0 * std::log(10.0), std::log(fitRangeOf(parameters[k]).low));
            below.steps = 8;
            scanTogether({ below });
        }

    // MINPACK's lmdif: forward differences for the Jacobian, 1e-12 on the sum of squares.
    std::vector<double> diag(static_cast<std::size_t>(n)), fjac(static_cast<std::size_t>(m * n)),
        qtf(static_cast<std::size_t>(n)), wa1(static_cast<std::size_t>(n)),
        wa2(static_cast<std::size_t>(n)), wa3(static_cast<std::size_t>(n)),
        wa4(static_cast<std::size_t>(m));
    std::vector<int> ipvt(static_cast<std::size_t>(n));
    int evaluations = 0;
    const int info = lmdif(residualsForMinpack, &problem, m, n, x.data(), residuals.data(), 1e-12,
        1e-12, 0.0, mostEvaluations > 0 ? mostEvaluations : 600 * (n + 1), 1e-14, diag.data(), 1,
        100.0, 0, &evaluations, fjac.data(), m, ipvt.data(), qtf.data(), wa1.data(), wa2.data(),
        wa3.data(), wa4.data());
    result.evaluations = problem.evaluations;
    if (info < 0 || problem.stopped())
        return fail("The fit was stopped.");
    if (info == 0 || info == 5)
        return fail("The fit did not converge in " + std::to_string(evaluations)
            + " evaluations; check the readings and the scenario (the bores, their rates and "
              "schedules, the method).");
    if (!problem.residuals(x.data(), residuals.data()))
        return fail("The fit ended where the drawdown has no value; check the readings and the "
                    "scenario.");
    // The values held while the others were fitted, in their SI units.
    std::string held;
    auto hold = [&](FitParameter other, double otherValue) {
        if (std::find(parameters.begin(), parameters.end(), other) == parameters.end())
            held += std::string(held.empty() ? "" : ", ") + std::string(other->symbol) + " = "
                + significantText(otherValue, 5)
                + (other->siUnit.empty() ? "" : " " + std::string(other->siUnit));
    };
    hold(transmissivityParameter(), inputs.Transmissivity);
    hold(storageParameter(), inputs.Storage);
    for (std::size_t i = 0; i < row.parameters.size(); ++i)
        if (row.parameters[i].scope == ParameterScope::Aquifer
            && row.parameters[i].fit != FitScale::NotFitted)
            hold(&row.parameters[i], inputs.AquiferValues.at(i));
    for (int j = 0; j < n; ++j) {
        const FitParameter parameter = parameters[static_cast<std::size_t>(j)];
        const double value = scaleOf(parameter).valueOf(x[static_cast<std::size_t>(j)]);
        const FitRange range = fitRangeOf(parameter);
        if (value >= range.low && value <= range.high)
            continue;
        const bool below = !(value >= range.low);
        std::string why;
        if (indexIn(row, parameter))
            why = "the readings do not need " + std::string(parameter->label) + " within what "
                + row.label + " takes: fit them with another method, or check the readings.";
        else if (!held.empty())
            why = "the readings are not matched with the values held (" + held
                + "): fit those too, or check the scenario and the readings.";
        else
            why = "no aquifer's value matches the readings: check the readings, the bores, their "
                  "rates and schedules, and the method.";
        const std::string unit(parameter->siUnit);
        return fail("The fit left the range of " + std::string(parameter->symbol) + ": it ran to "
            + significantText(value, 5) + (unit.empty() ? "" : " " + unit)
            + (below ? ", below " + significantText(range.low, 3) + ", the least"
                     : ", above " + significantText(range.high, 3) + ", the most")
            + " a fit takes; " + why);
    }

    // The Jacobian at the optimum by central differences, for the intervals.
    std::vector<double> jacobian(static_cast<std::size_t>(m * n)), plus(residuals.size()),
        minus(residuals.size());
    for (int j = 0; j < n; ++j) {
        const double h = 1e-6 * std::max(1.0, std::fabs(x[static_cast<std::size_t>(j)]));
        std::vector<double> up = x, down = x;
        up[static_cast<std::size_t>(j)] += h;
        down[static_cast<std::size_t>(j)] -= h;
        (void)problem.residuals(up.data(), plus.data());
        (void)problem.residuals(down.data(), minus.data());
        for (int i = 0; i < m; ++i)
            jacobian[static_cast<std::size_t>(i * n + j)]
                = (plus[static_cast<std::size_t>(i)] - minus[static_cast<std::size_t>(i)])
                / (2.0 * h);
    }
    result.evaluations = problem.evaluations;

    // The covariance of the numbers the fit moved, from the Jacobian's rank-checked
    // decomposition: a parameter the readings do not determine is named.
    const double sse = sumOfSquares(residuals);
    const std::variant<FitCovariance, Undetermined> found
        = covarianceOf(jacobian, m, n, sse / (m - n), problem.readings().s);
    if (const Undetermined* undetermined = std::get_if<Undetermined>(&found)) {
        // Left more than 5 % of the readings' size apart, the values held may be the cause.
        const bool apart = sse > 0.0025 * sumOfSquares(problem.readings().s);
        return fail("The parameters are not determined by the readings: "
            + std::string(parameters[undetermined->parameter]->symbol) + undetermined->how
            + (held.empty() || !apart ? ""
                                      : " The readings are not matched with the values held ("
                        + held + "): fit those too."));
    }
    const FitCovariance& covariance = std::get<FitCovariance>(found);
    const boost::math::students_t_distribution<double> student(m - n);
    const double tQuantile = boost::math::quantile(boost::math::complement(student, 0.025));
    const Aquifer fitted = problem.aquiferAt(x.data());
    for (int j = 0; j < n; ++j) {
        // The error of the number the fit moved, then of the value through its scale: on the
        // logarithm the interval is value e^(-+t se), asymmetric and positive.
        const FitParameter parameter = parameters[static_cast<std::size_t>(j)];
        const Scale scale = scaleOf(parameter);
        const double number = x[static_cast<std::size_t>(j)];
        const double error = covariance.standardErrors[static_cast<std::size_t>(j)];
        const double value = scale.valueOf(number);
        if (scale.kind == FitScale::Logit)
            result.estimates.push_back({ parameter, value, scale.slope(number) * error,
                scale.valueOf(number - tQuantile * error),
                scale.valueOf(number + tQuantile * error), number, error });
        else
            result.estimates.push_back(
                { parameter, value, value * error, value * std::exp(-tQuantile * error),
                    value * std::exp(tQuantile * error), number, error });
    }
    result.correlation = covariance.correlation;
    result.readings = static_cast<std::size_t>(m);
    // Weighted by the readings' weights (all 1 unless the files give them: the plain RMSE).
    result.rmseMetres = std::sqrt(sse / problem.readings().weights);
    result.fitted = inputs;
    result.fitted.Transmissivity = fitted.transmissivity;
    result.fitted.Storage = fitted.storage;
    result.fitted.AquiferValues = fitted.values;
    result.bore = bore;
    for (std::size_t j = 0; j < parameters.size(); ++j)
        if (ownedByBore(parameters[j]))
            setIn(result.fitted, parameters[j], result.estimates[j].value, bore);
    std::size_t at = 0;
    for (const MeasuredPoint& point : points) {
        FittedPoint fittedPoint { point.Name, {}, {}, {} };
        for (const Reading& reading : point.Readings) {
            fittedPoint.timesSeconds.push_back(reading.TimeSeconds);
            fittedPoint.measuredMetres.push_back(reading.DrawdownMetres);
            fittedPoint.computedMetres.push_back(reading.DrawdownMetres - residuals[at++]);
        }
        result.points.push_back(std::move(fittedPoint));
    }
    result.straightLines = straightLineEstimates(inputs, points);
    result.stepTests = stepTests(inputs, points);
    result.succeeded = true;
    return result;
}

ScenarioInputs fittedWithNumbers(const FitResult& result, const std::vector<double>& numbers)
{
    ScenarioInputs inputs = result.fitted;
    for (std::size_t j = 0; j < result.estimates.size() && j < numbers.size(); ++j)
        setIn(inputs, result.estimates[j].parameter,
            scaleOf(result.estimates[j].parameter).valueOf(numbers[j]), result.bore);
    return inputs;
}

} // namespace drawfield
