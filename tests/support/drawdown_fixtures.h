#pragma once

// Computed maps for the view tests, through the same reading and engine as the window.

#include "compute/engine/drawdown_engine.h"
#include "scenario/scenario.h"

#include <memory>
#include <stdexcept>

// The map of texts, as the window would compute it.
inline std::shared_ptr<const drawfield::DrawdownGrid> computedGrid(
    const drawfield::ScenarioTexts& texts)
{
    drawfield::ScenarioReading reading = drawfield::readScenario(texts);
    if (!reading.accepted())
        throw std::invalid_argument("fixture scenario refused: " + reading.refusals.front());
    return drawfield::computeDrawdown(reading.inputs)->grid;
}

// One well pumping 36 m3/h at (x, y) on the map xMin..xMax with the given cell size.
inline drawfield::ScenarioTexts oneWell(
    int x, int y, int xMax = 300, int cellSize = 1, int xMin = 1)
{
    drawfield::ScenarioTexts texts;
    texts.xMin = texts.yMin = std::to_string(xMin);
    texts.xMax = std::to_string(xMax);
    texts.cellSize = std::to_string(cellSize);
    texts.bores[0] = { std::to_string(x), std::to_string(y), "36" };
    return texts;
}
