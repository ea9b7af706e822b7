#pragma once

// SURFER_Export: hands a run's X,Y,Z record file to the mapping program by automation. The
// program grids the file, draws a filled contour map with its colour scale, posts the points of
// a point file over it, exports the plot as a picture and saves it as a document, in its own
// window, which is left open for the user.

#include "surfer/automation.h"

#include <QString>

#include <functional>

namespace drawfield {

// The files the export uses: the record file's name with its last three characters replaced
// (drawfield.dat gives drawfield.grd; drawfield.data gives drawfield.dgrd).
struct SurferFiles {
    QString grid; // "grd": written by the gridding, read by the contour map
    QString document; // "srf": the plot document saved at the end
    QString points; // "xyz": the post map's points, placed there by the user
    QString picture; // "bmp": the exported picture
};
SurferFiles surferFilesFor(const QString& recordFile);

// The fifteen steps, in order; a step that fails is skipped and the later independent ones still
// run. Nothing is returned. When the mapping program cannot be started at all, serverMissing is
// told why, once; later failures stay silent.
void SURFER_Export(AutomationClient& client, const QString& Surfer_fichier,
    const std::function<void(const QString& reason)>& serverMissing);

} // namespace drawfield
