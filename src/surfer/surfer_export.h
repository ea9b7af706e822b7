#pragma once

// SURFER_Export: hands a run's X,Y,Z record file to the mapping program by automation. The
// program grids the file, draws a filled contour map with its colour scale, posts the points of
// a point file over it, exports the plot as a picture and saves it as a document, in its own
// window, which is left open for the user.

#include "surfer/automation.h"

#include <QString>

#include <functional>
#include <stop_token>

namespace drawfield {

// The files the export uses: the record file's name with its last three characters replaced
// (drawfield.dat gives drawfield.grd; drawfield.data gives drawfield.dgrd).
struct SurferFiles {
    QString grid; // "grd": written by the gridding, read by the contour map
    QString document; // "srf": the plot document saved at the end
    QString points; // "xyz": the post map's points, placed there by the user
    QString picture; // "bmp": the exported picture
};
[[nodiscard]] SurferFiles surferFilesFor(const QString& recordFile);

// What the caller may ask of a running export.
struct ExportControl {
    std::stop_token stop; // a stop ends the export at once, the mapping program with it
    // How far the export has come (0 to 1) and what it is doing, from the export's own thread.
    std::function<void(double fraction, const QString& activity)> progress;
};

struct ExportOutcome {
    enum class End {
        Completed, // every step was asked for; some may have been refused, which is no failure
        ServerMissing, // the mapping program could not be started at all
        Stopped, // a stop was asked for
        Lost, // the mapping program ended or stopped answering, or the files could not be placed
    };
    End end = End::Completed;
    QString reason; // why, for every end but Completed
};

// What the user is told of an export's end: nothing when it completed.
[[nodiscard]] QString exportMessage(const ExportOutcome& outcome, const QString& recordFile);

// The fifteen steps, in order; a step that fails is skipped and the later independent ones still
// run. The grid, the picture and the document are made under temporary names in a folder of their
// own beside the record file, and put in place together at the end, each replacing its namesake
// of an earlier export (or removing it, when this export made none): files of two exports never
// mix. An export that is stopped or loses the mapping program puts nothing in place.
[[nodiscard]] ExportOutcome SURFER_Export(
    AutomationClient& client, const QString& Surfer_fichier, const ExportControl& control = {});

} // namespace drawfield
