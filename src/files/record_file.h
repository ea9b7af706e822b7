#pragma once

// The X,Y,Z record file: one line "x,y,z" per lattice node that has a drawdown, z being minus the
// drawdown in metres (so always negative), in the computation's loop order (X ascending outer, Y
// ascending inner), in the program's number-to-text form (" 160, 150,-1.32145808832426"), each
// line ending in CR LF. Nodes without drawdown have no line.

#include "compute/engine/drawdown_grid.h"

#include <filesystem>
#include <string>

namespace drawfield {

enum class RecordLines {
    DrawdownNodes, // a line for every node with a drawdown
    None, // an empty file: the record was not asked for
};

// Writes the record file of grid to path, replacing it whole (see AtomicFile); creates the folder
// when missing. Throws FileWriteError naming the path when it cannot be written.
void writeRecordFile(
    const std::filesystem::path& path, const DrawdownGrid& grid, RecordLines lines);

// The record line of one node, CR LF included.
[[nodiscard]] std::string recordLine(int x, int y, double gridValue);

} // namespace drawfield
