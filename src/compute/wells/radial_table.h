#pragma once

// A source's drawdown along the squared distance at one time, held as a table of its logarithm
// (LnWTable: within 1e-9 where it checks), for the rows whose drawdown costs a transform or a
// series: a map's nodes then cost a polynomial each. Beyond nQuiet (where Theis' u passes 40 and
// nothing is drawn down in any digit that counts) it is 0.

#include "compute/wells/hantush.h"
#include "compute/wells/well_function.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace drawfield {

class RadialTable final : public LatticeTerms {
public:
    // unitDrawdown(n): the drawdown (m) of a unit rate at squared distance n (m2); lnTabled, where
    // given, its logarithm by a way cheaper for many distances (one spectrum shared by all), for
    // the table.
    RadialTable(std::function<double(double)> unitDrawdown, double rate, double nMin, double nMax,
        double nQuiet, LnWTable::LnW lnTabled = {})
        : m_unitDrawdown(std::move(unitDrawdown))
        , m_rate(rate)
        , m_nQuiet(nQuiet)
    {
        const double end = std::min(nMax, nQuiet);
        if (!(end > nMin))
            return;
        if (!lnTabled)
            lnTabled = [unit = m_unitDrawdown](double n) { return lnOf(unit(n)); };
        m_table = LnWTable(std::move(lnTabled), nMin, end);
    }

    void alongRow(long long first, int count, double d2, double* out) const override
    {
        double* n = out + count;
        for (int i = 0; i < count; ++i) {
            const double j = static_cast<double>(first + i);
            n[i] = j * j + d2;
        }
        atSquaredDistances(n, count, out);
    }
    void atSquaredDistances(const double* n, int count, double* out) const override
    {
        if (m_table.empty()) {
            for (int i = 0; i < count; ++i)
                out[i] = at(n[i]);
            return;
        }
        m_table.at(n, out, count);
        for (int i = 0; i < count; ++i)
            out[i] = n[i] > m_nQuiet ? 0.0 : m_rate * out[i];
    }
    [[nodiscard]] double at(double n) const override { return m_rate * m_unitDrawdown(n); }

    static double lnOf(double s) { return s > 0.0 ? std::log(s) : -1000.0; }

private:
    std::function<double(double)> m_unitDrawdown;
    double m_rate, m_nQuiet;
    LnWTable m_table;
};

} // namespace drawfield
