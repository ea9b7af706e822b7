#pragma once

// The computation as a plain loop: every node, every well, one thread, no bounds. It is the
// benchmark's baseline and the tests' reference for the engine, which must give the same bits.

#include "compute/wells/cooper_jacob.h"
#include "scenario/scenario.h"
#include "compute/wells/theis.h"

#include <algorithm>
#include <array>
#include <vector>

namespace drawfield {

// Minus the (confined) drawdown at every metre of the map, X fastest, as DrawdownGrid lays it out,
// by the scenario's method.
inline std::vector<double> plainDrawdown(const ScenarioInputs& in)
{
    const std::size_t width = static_cast<std::size_t>(in.XMax - in.XMin) + 1;
    const std::size_t height = static_cast<std::size_t>(in.YMax - in.YMin) + 1;
    std::vector<double> grid(width * height, 0.0);

    std::array<CooperJacobWell, WellCount> cones;
    std::array<TheisWell, WellCount> theis;
    for (std::size_t i = 0; i < cones.size(); ++i) {
        cones[i] = CooperJacobWell(in.Wells[i].Rate, in.Transmissivity, in.Storage, in.PumpTimeSeconds);
        theis[i] = TheisWell(in.Wells[i].Rate, in.Transmissivity, in.Storage, in.PumpTimeSeconds);
    }

    double CarriedDrawdown = 0.0;
    for (int x = in.XMin; x <= in.XMax; x += in.Step) {
        for (int y = in.YMin; y <= in.YMax; y += in.Step) {
            double s = 0.0;
            for (std::size_t i = 0; i < cones.size(); ++i) {
                const WellInput& well = in.Wells[i];
                if (!(well.Rate > 0.0))
                    continue;
                long long dx = well.X - x, dy = well.Y - y;
                long long n = dx * dx + dy * dy;
                if (n == 0) {
                    s = CarriedDrawdown;
                    continue;
                }
                s = s
                    + (in.Method == WellMethod::Theis
                            ? theis[i].contribution(static_cast<double>(n))
                            : std::max(0.0, cones[i].term(static_cast<double>(n))));
                CarriedDrawdown = s;
            }
            grid[static_cast<std::size_t>(y - in.YMin) * width
                + static_cast<std::size_t>(x - in.XMin)]
                = 0.0 - s;
        }
    }
    return grid;
}

} // namespace drawfield
