#pragma once

// Where the programs find what is installed with them and where they write their data, the same
// in the build tree and in an installed tree:
//
//   build/bin/drawfield               resources beside the program
//   /usr/bin/drawfield                resources in /usr/share/drawfield/
//
// Data (the record file, pictures, the export) goes to data/ beside the program in a build tree,
// which the build marks with a file of its own beside the programs; an installed program (in
// /usr/bin, or a tree of cmake --install) writes to data/ in the user's application data folder
// (~/.local/share/drawfield/data), whoever runs it, root too.

#include <QString>

namespace drawfield {

// The file the build puts beside the programs it makes; never installed.
inline constexpr const char* BuildTreeMarker = "drawfield-build-tree";

// The file `name` installed with the program in programFolder: beside it, else in
// ../share/drawfield/; the first of those when neither holds it (for the message saying so).
[[nodiscard]] QString resourceFile(const QString& programFolder, const QString& name);

// The data folder for the program in programFolder (without a trailing separator). It is not
// created here.
[[nodiscard]] QString dataFolder(const QString& programFolder);

} // namespace drawfield
