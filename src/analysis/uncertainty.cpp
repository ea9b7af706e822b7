#include "analysis/uncertainty.h"

#include "compute/engine/drawdown_engine.h"
#include "compute/engine/parallel.h"
#include "compute/observations.h"
#include "files/number_text.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace drawfield {
namespace {

    constexpr double LowShare = 0.05, HighShare = 0.95;
    constexpr double Nan = std::numeric_limits<double>::quiet_NaN();

    // The p quantile of sorted values, interpolated between neighbouring ranks (h = (n - 1) p).
    double quantileOf(const std::vector<double>& sorted, double p)
    {
        const double h = static_cast<double>(sorted.size() - 1) * p;
        const auto below = static_cast<std::size_t>(std::floor(h));
        const std::size_t above = std::min(below + 1, sorted.size() - 1);
        return sorted[below] + (h - static_cast<double>(below)) * (sorted[above] - sorted[below]);
    }

    // Half the width of the 95 % confidence interval of the p quantile: the ranks n p -+ 1.96
    // sqrt(n p (1 - p)) of the order statistics, which hold it whatever the distribution.
    double quantileError(const std::vector<double>& sorted, double p)
    {
        const double n = static_cast<double>(sorted.size());
        const double spread = 1.96 * std::sqrt(n * p * (1.0 - p));
        auto at = [&](double rank) {
            return sorted[static_cast<std::size_t>(std::clamp(std::round(rank), 0.0, n - 1.0))];
        };
        return (at(n * p + spread) - at(n * p - spread)) / 2.0;
    }

    // Normal draws around the fit's numbers with its covariance: the numbers plus L z, L L' the
    // covariance (its eigenvalues kept at 0 or more where rounding made one negative).
    class ParameterDraws {
    public:
        explicit ParameterDraws(const FitResult& fit)
            : m_fit(fit)
        {
            const auto n = static_cast<Eigen::Index>(fit.estimates.size());
            Eigen::MatrixXd covariance(n, n);
            for (Eigen::Index a = 0; a < n; ++a)
                for (Eigen::Index b = 0; b < n; ++b)
                    covariance(a, b) = fit.estimates[static_cast<std::size_t>(a)].numberError
                        * fit.estimates[static_cast<std::size_t>(b)].numberError
                        * fit.correlation[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
            const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(covariance);
            m_root = solver.eigenvectors()
                * solver.eigenvalues().cwiseMax(0.0).cwiseSqrt().asDiagonal();
        }

        [[nodiscard]] std::vector<ScenarioInputs> draw(int count)
        {
            std::mt19937_64 generator(20261208);
            std::normal_distribution<double> normal;
            const auto n = m_root.rows();
            std::vector<ScenarioInputs> sets;
            sets.reserve(static_cast<std::size_t>(count));
            Eigen::VectorXd z(n);
            for (int k = 0; k < count; ++k) {
                for (Eigen::Index j = 0; j < n; ++j)
                    z(j) = normal(generator);
                const Eigen::VectorXd moved = m_root * z;
                std::vector<double> numbers;
                for (Eigen::Index j = 0; j < n; ++j)
                    numbers.push_back(
                        m_fit.estimates[static_cast<std::size_t>(j)].number + moved(j));
                sets.push_back(fittedWithNumbers(m_fit, numbers));
            }
            return sets;
        }

    private:
        const FitResult& m_fit;
        Eigen::MatrixXd m_root;
    };

    std::unique_ptr<DrawdownGrid> gridLike(const DrawdownGrid& grid)
    {
        return DrawdownGrid::create(
            grid.xMin(), grid.yMin(), grid.xMax(), grid.yMax(), grid.nodeSpacing());
    }

} // namespace

PercentileBand percentileBand(std::vector<double>& values)
{
    values.erase(std::remove_if(values.begin(), values.end(),
                     [](double value) { return !std::isfinite(value); }),
        values.end());
    if (values.empty())
        return { Nan, Nan, Nan, Nan };
    std::sort(values.begin(), values.end());
    return { quantileOf(values, LowShare), quantileOf(values, 0.5), quantileOf(values, HighShare),
        std::max(quantileError(values, LowShare), quantileError(values, HighShare)) };
}

std::optional<MapUncertainty> mapUncertainty(const FitResult& fit, int draws,
    std::optional<double> exceedanceMetres, unsigned threads, std::stop_token stop,
    std::optional<double> timeSeconds)
{
    if (!fit.succeeded || fit.estimates.empty() || fit.correlation.size() != fit.estimates.size())
        throw UncertaintyRefused("The map's uncertainty needs a fit that succeeded.");
    const ScenarioInputs& fitted = fit.fitted;
    const auto columns = static_cast<std::size_t>((fitted.XMax - fitted.XMin) / fitted.Step + 1);
    const auto rows = static_cast<std::size_t>((fitted.YMax - fitted.YMin) / fitted.Step + 1);
    const std::size_t nodes = columns * rows;
    const auto count = static_cast<std::size_t>(draws);
    if (nodes * count > MostUncertaintyBytes / sizeof(float))
        throw UncertaintyRefused("The map's uncertainty was not computed: " + std::to_string(draws)
            + " draws of a map of " + std::to_string(nodes) + " nodes would take "
            + plainSignificantText(
                static_cast<double>(nodes * count * sizeof(float)) / (1 << 30), 3)
            + " GiB, more than the " + std::to_string(MostUncertaintyBytes >> 30)
            + " GiB it may; ask fewer draws or a coarser map (a larger cell).");

    std::vector<ScenarioInputs> sets = ParameterDraws(fit).draw(draws);
    MapUncertainty result;
    result.draws = draws;
    result.exceedanceMetres = exceedanceMetres;

    // The maps, one after the other, each spread over the threads; their nodes kept as floats,
    // a node's draws side by side.
    std::vector<float> samples(nodes * count);
    std::shared_ptr<const DrawdownGrid> shape;
    EngineOptions options;
    options.threads = threads;
    options.stopToken = stop;
    options.timeSeconds = timeSeconds;
    for (std::size_t k = 0; k < count; ++k) {
        const std::optional<DrawdownResult> map = computeDrawdown(sets[k], options);
        if (!map)
            return std::nullopt;
        const DrawdownGrid& grid = *map->grid;
        for (std::size_t row = 0; row < rows; ++row) {
            const double* line = grid.row(grid.nodeY(static_cast<int>(row)));
            for (std::size_t column = 0; column < columns; ++column)
                samples[(row * columns + column) * count + k] = static_cast<float>(
                    -line[column * static_cast<std::size_t>(grid.nodeSpacing())]);
        }
        if (!shape)
            shape = map->grid;
    }

    // Each node's percentiles, and the share passing the level.
    std::unique_ptr<DrawdownGrid> low = gridLike(*shape), median = gridLike(*shape),
                                  high = gridLike(*shape);
    std::unique_ptr<DrawdownGrid> passing = exceedanceMetres ? gridLike(*shape) : nullptr;
    const unsigned used = threadCount(threads);
    std::vector<std::vector<double>> scratch(used);
    parallelFor(
        static_cast<long long>(rows), used,
        [&](long long row, unsigned thread) {
            std::vector<double>& values = scratch[thread];
            const int y = shape->nodeY(static_cast<int>(row));
            for (std::size_t column = 0; column < columns; ++column) {
                const float* draw
                    = &samples[(static_cast<std::size_t>(row) * columns + column) * count];
                values.assign(draw, draw + count);
                const int x = shape->nodeX(static_cast<int>(column));
                std::size_t passed = 0, valued = 0;
                if (passing)
                    for (double value : values) {
                        valued += std::isfinite(value) ? 1 : 0;
                        passed += value > *exceedanceMetres ? 1 : 0;
                    }
                const PercentileBand band = percentileBand(values);
                low->at(x, y) = -band.low;
                median->at(x, y) = -band.median;
                high->at(x, y) = -band.high;
                if (passing)
                    passing->at(x, y) = valued == 0
                        ? Nan
                        : -static_cast<double>(passed) / static_cast<double>(valued);
            }
        },
        stop);
    if (stop.stop_requested())
        return std::nullopt;
    result.low = std::move(low);
    result.median = std::move(median);
    result.high = std::move(high);
    result.exceedance = std::move(passing);
    if (timeSeconds)
        return result;

    // The bores, the points and the curves: a draw each, over the threads.
    std::vector<int> pumping;
    for (int bore = 0; bore < fitted.boreCount(); ++bore)
        if (fitted.pumps(bore))
            pumping.push_back(bore);
    const std::size_t points = fitted.Observations.size();
    const std::size_t times = points == 0 ? 0 : curveTimes(fitted).size();
    // [draw][bore], [draw][point][time]
    std::vector<std::vector<double>> boreDrawdowns(count);
    std::vector<ObservationCurves> curves(count);
    parallelFor(
        static_cast<long long>(count), used,
        [&](long long k, unsigned) {
            const ScenarioInputs& set = sets[static_cast<std::size_t>(k)];
            for (int bore : pumping)
                boreDrawdowns[static_cast<std::size_t>(k)].push_back(drawdownInBore(set, bore));
            if (points > 0)
                curves[static_cast<std::size_t>(k)] = observationCurves(set);
        },
        stop);
    if (stop.stop_requested())
        return std::nullopt;
    std::vector<double> values(count);
    for (std::size_t b = 0; b < pumping.size(); ++b) {
        for (std::size_t k = 0; k < count; ++k)
            values[k] = boreDrawdowns[k][b];
        result.bores.push_back(
            { fitted.Wells[static_cast<std::size_t>(pumping[b])].Name, percentileBand(values) });
    }
    for (std::size_t p = 0; p < points; ++p) {
        std::vector<PercentileBand> bands;
        for (std::size_t t = 0; t < times; ++t) {
            values.resize(count);
            for (std::size_t k = 0; k < count; ++k)
                values[k] = curves[k].drawdowns[p][t];
            bands.push_back(percentileBand(values));
        }
        // The map's time is the curves' last.
        result.points.push_back({ fitted.Observations[p].Name,
            bands.empty() ? PercentileBand { Nan, Nan, Nan, Nan } : bands.back() });
        result.curves.push_back(std::move(bands));
    }
    return result;
}

std::vector<std::string> uncertaintyLines(
    const MapUncertainty& uncertainty, const ScenarioInputs& inputs)
{
    const ShownUnit& length = inputs.Units.length;
    auto lengthText = [&](double si) { return plainSignificantText(length.of(si), 4); };
    double largestError = 0.0;
    for (const auto* set : { &uncertainty.bores, &uncertainty.points })
        for (const NamedBand& named : *set)
            if (std::isfinite(named.band.monteCarloError))
                largestError = std::max(largestError, named.band.monteCarloError);
    std::vector<std::string> lines { "The drawdown's 90 % band from "
        + std::to_string(uncertainty.draws)
        + " parameter sets drawn from the fit's covariance (Monte Carlo error of its ends up to "
        + lengthText(largestError) + " " + length.word + "):" };
    for (const auto* set : { &uncertainty.bores, &uncertainty.points })
        for (const NamedBand& named : *set)
            lines.push_back(named.name + ": 90 % band " + lengthText(named.band.low) + " .. "
                + lengthText(named.band.high) + " " + length.word + " (median "
                + lengthText(named.band.median) + " " + length.word + ")");
    return lines;
}

} // namespace drawfield
