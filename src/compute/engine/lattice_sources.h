#pragma once

// The point sources of a run as the engine evaluates them on a map's lattice.

#include "compute/engine/drawdown_grid.h"
#include "compute/inputs.h"
#include "compute/sources.h"
#include "compute/wells/well_function.h"

#include <cmath>
#include <memory>
#include <vector>

namespace drawfield {

[[nodiscard]] long long integerSquareRoot(long long value);
[[nodiscard]] constexpr long long squared(long long v) { return v * v; }

// One point source on the lattice. Sources at whole metres (the bores, their steps, and images
// across lines through whole or half metres parallel to the axes) take the row fill's fast paths;
// others are evaluated node by node at their true position.
struct PumpingWell {
    int X = 0; // m, when integral
    int Y = 0;
    double x = 0.0; // m, always
    double y = 0.0;
    bool integral = true;
    bool image = false;
    bool firstOfBore = false;
    int bore = 0; // the table's row it comes from
    SourceTerm term; // the rate and its bore's values, as its well function sees them
    double elapsedSeconds = 0.0;
    const Aquifer* aquifer = nullptr;
    const WellFunction* function = nullptr; // the aquifer's well function
    // Its terms made fast by its well function; null: node by node through contribution().
    std::shared_ptr<const LatticeTerms> lattice;
    // On a 1 m lattice a source's term depends on |dx| and |dy| alone, and is the same with the
    // two swapped: where it covers much of the map, its terms may be made once into a table of
    // quadrantRows x quadrantColumns (|dy| by |dx|) that each row reads (quadrant_tables.h).
    const double* quadrant = nullptr;
    long long quadrantRows = 0, quadrantColumns = 0;
    // What a term must exceed to count: 0 for a map, where every term adds; the validity zone
    // leaves out terms far too small to change its judgement.
    double leastTerm = 0.0; // m
    long long reachSquared = 0; // largest dx^2 + dy^2 with a positive contribution, 0 if none
    long long reach = 0; // its integer square root, m
    double reachMetresSquared = 0.0; // for a source off the whole metres: a bound of its reach

    // What the source adds at squared distance n, by its well function: the row drawdownAt
    // calls too, so a node and a point on it agree to the bit.
    [[nodiscard]] double contribution(double n) const
    {
        return function->drawdown(term, n, elapsedSeconds, *aquifer);
    }
    // Whether it adds more than leastTerm there.
    [[nodiscard]] bool reaches(double n) const { return std::fabs(contribution(n)) > leastTerm; }
};

// The sources active at the map's time as the engine evaluates them, each through the aquifer's
// well function (the aquifer must outlive them), with its bore's values from `in`.
[[nodiscard]] std::vector<PumpingWell> pumpingWells(const std::vector<PointSource>& sources,
    const ScenarioInputs& in, const Aquifer& aquifer, const DrawdownGrid& grid,
    double leastTerm = 0.0);

// A source's terms at the nodes j = first .. first + count - 1 of a row at squared vertical
// distance d2 on a 1 m lattice, into out (room for 2 count values). Each value depends on
// j^2 + d2 alone, whatever first and count are.
void termsAlongRow(const PumpingWell& well, long long first, int count, double d2, double* out);
// A source's terms at the squared distances n; 0 where n is 0 (its own node).
void termsAt(const PumpingWell& well, const double* n, int count, double* out);

} // namespace drawfield
