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

    // The same from unitDrawdown's Laplace transform (in p, the transform's variable of t): the
    // table is fitted on inversions shared by the times of a range, a slot that fails its check
    // left to unitDrawdown. Some twenty times fewer evaluations of the transform.
    DrawdownHistory(const std::function<Complex(Complex)>& transform,
        const std::function<double(double)>& unitDrawdown, double tQuiet, double tMin, double tMax)
        : m_tQuiet(tQuiet)
    {
        const double from = std::max(tMin, tQuiet);
        if (!(tMax > from))
            return;
        InversionAlongTime inversion(transform);
        m_table = LnWTable([unitDrawdown](double t) { return lnOf(unitDrawdown(t)); }, from, tMax,
            [&inversion](double t) { return lnOf(inversion.at(t)); });
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
