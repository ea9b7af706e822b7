#pragma once

// A unit source's drawdown at one distance along time, held as a table of its logarithm
// (LnWTable: within 1e-9 where it checks), for the rows whose drawdown costs a transform or a
// series: a fit's or a curve's many times then cost some hundreds of evaluations, not one each.
// Before tQuiet (where u passes 40 and nothing is drawn down in any digit that counts) it is 0.

#include "compute/wells/hantush.h"
#include "compute/wells/laplace.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>

namespace drawfield {

class DrawdownHistory final : public TimeProfile {
public:
    // unitDrawdown(t): the drawdown (m) of a unit rate after t (s), 0 or more.
    DrawdownHistory(
        const std::function<double(double)>& unitDrawdown, double tQuiet, double tMin, double tMax)
        : m_tQuiet(tQuiet)
    {
        const double from = std::max(tMin, tQuiet);
        if (!(tMax > from))
            return;
        m_table = LnWTable([unitDrawdown](double t) { return lnOf(unitDrawdown(t)); }, from, tMax);
    }

    // The same from the unit drawdown's Laplace transform (in p, the transform's variable of t),
    // inverted once for each range of times (RangeInversion): some twenty times fewer
    // evaluations of the transform than an inversion a time, and a time that the table leaves to
    // the inversion (a slot that misses its check) costs no transform.
    DrawdownHistory(
        const std::function<Complex(Complex)>& transform, double tQuiet, double tMin, double tMax)
        : m_tQuiet(tQuiet)
    {
        const double from = std::max(tMin, tQuiet);
        if (!(tMax > from))
            return;
        auto inversion = std::make_shared<InversionAlongTime>(transform);
        m_table = LnWTable([made = std::shared_ptr<const InversionAlongTime>(inversion)](
                               double t) { return lnOf(made->at(t)); },
            from, tMax, [&inversion](double t) { return lnOf(inversion->made(t)); });
    }

    void unitDrawdowns(const double* elapsed, double* out, int count) const override
    {
        if (m_table.empty()) {
            std::fill(out, out + count, 0.0);
            return;
        }
        m_table.at(elapsed, out, count);
        for (int i = 0; i < count; ++i)
            if (!(elapsed[i] > m_tQuiet))
                out[i] = 0.0;
    }

private:
    static double lnOf(double s) { return s > 0.0 ? std::log(s) : -1000.0; }

    double m_tQuiet;
    LnWTable m_table;
};

} // namespace drawfield
