#pragma once

// Where the programs find what is installed with them and where they write their data, the same
// in the build tree and in an installed tree:
//
//   build/bin/drawfield               resources beside the program
//   /usr/bin/drawfield                resources in /usr/share/drawfield/
//
// Data (the record file, pictures, the export) goes to data/ beside the program when that folder
// can be written, as it always has; otherwise (an installed program) to data/ in the user's
// application data folder (~/.local/share/drawfield/data).

#include <QString>

namespace drawfield {

// The file `name` installed with the program in programFolder: beside it, else in
// ../share/drawfield/; the first of those when neither holds it (for the message saying so).
QString resourceFile(const QString& programFolder, const QString& name);

// The data folder for the program in programFolder (without a trailing separator). It is not
// created here.
QString dataFolder(const QString& programFolder);

} // namespace drawfield
