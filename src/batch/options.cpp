#include "batch/options.h"

#include "analysis/fit.h"
#include "batch/core_outputs.h"
#include "scenario/scenario_keys.h"

#include <algorithm>
#include <stdexcept>

namespace drawfield {
namespace {

    constexpr const char* Synopsis
        = "usage: drawfield-batch [SCENARIO] [--record FILE] [--grid FILE] [--validity FILE]\n"
          "                       [--curves FILE] [--profile FILE] [--map FILE] [--surface FILE]\n"
          "                       [--curves-picture FILE] [--view X,Y,Z] [--surfer] [--threads N]\n"
          "                       [--write-scenario FILE] [--geotiff FILE] [--contours FILE]\n"
          "                       [--report FILE] [--fit T,S] [--fit-report FILE]\n"
          "                       [--fit-picture FILE] [--smoothing L] [--type-curve]\n"
          "                       [--animation FILE.gif [--frames N]]\n"
          "                       [--time T[,T...]] [--title TEXT] [--fail-on-limits]\n"
          "                       [--parameters-from FITTED.ini] [--uncertainty N\n"
          "                       [--exceedance L]]\n"
          "\n"
          "Computes the drawdown map of SCENARIO, an INI file holding the texts of the window's\n"
          "fields (without it, the window's example). Messages go to standard error, a summary to\n"
          "standard output.\n"
          "\n";

    const OptionRow Rows[] = {
        { "--record",
            "  --record FILE   write the X,Y,Z record file (as with \"Record XYZ\" ticked)\n",
            Output::Record, true, Needs::Program, false, writeRecordOutput },
        { "--grid",
            "  --grid FILE     write the lattice as an ESRI ASCII grid (minus the drawdown, m); "
            "with a\n"
            "                  [georeference], in its coordinates with a .prj file beside it\n",
            Output::Grid, true, Needs::Program, false, writeGridOutput },
        { "--validity",
            "  --validity FILE write where Cooper-Jacob is more than 1 % off Theis, as an ESRI "
            "ASCII\n"
            "                  grid of 1 there and 0 elsewhere on the same lattice (a Cooper-Jacob "
            "run)\n",
            Output::Validity, true, Needs::Program, false, writeValidityOutput },
        { "--curves",
            "  --curves FILE   write the drawdown over time at the observation points (CSV)\n",
            Output::Curves, true, Needs::Program, false, writeCurvesOutput },
        { "--profile",
            "  --profile FILE  write the drawdown along the profile at the pumping time (CSV)\n",
            Output::Profile, true, Needs::Program, false, writeProfileOutput },
        { "--map", "  --map FILE      draw the contour map; .wmf, .svg, .pdf or .png\n",
            Output::Map, true, Needs::Pictures, false, nullptr },
        { "--surface", "  --surface FILE  draw the 3D surface; .wmf, .svg, .pdf or .png\n",
            Output::Surface, true, Needs::Pictures, false, nullptr },
        { "--curves-picture",
            "  --curves-picture FILE  draw the curves at the observation points and the profile;\n"
            "                  .wmf, .svg, .pdf or .png\n",
            Output::CurvesPicture, true, Needs::Pictures, false, nullptr },
        { "--view",
            "  --view X,Y,Z    the surface's turns about its X, Y and Z axes, degrees (default "
            "0,0,0)\n",
            std::nullopt, true, Needs::Program },
        { "--surfer",
            "  --surfer        hand the record file to the mapping program, as \"SURFER Grid\" "
            "does\n"
            "                  (the record goes to --record FILE, or to the data folder: see "
            "--version)\n",
            std::nullopt, true, Needs::Pictures },
        { "--threads", "  --threads N     use at most N threads (default: one per core)\n",
            std::nullopt, true, Needs::Program },
        { "--version",
            "  --version       say the version, the folder of the resources installed with the\n"
            "                  programs and the data folder\n",
            std::nullopt, true, Needs::Program },
        { "--write-scenario",
            "  --write-scenario FILE  write the scenario read, every key in its place, as the "
            "window\n"
            "                  saves it (with the fitted values after --fit; a refused run still\n"
            "                  writes it)\n",
            Output::WriteScenario, true, Needs::Program, false, nullptr },
        { "--geotiff",
            "  --geotiff FILE  write the drawdown (m, positive downward) as a GeoTIFF placed by\n"
            "                  [georeference]: one Float64 band, pixels centred on the nodes, NaN "
            "where\n"
            "                  there is no value; FILE ends in .tif or .tiff\n",
            Output::GeoTiff, true, Needs::Gis, false, nullptr },
        { "--contours",
            "  --contours FILE write the map's contour lines (drawdown_m), the bands between them\n"
            "                  (min_m, max_m), the bores and observation points, and the "
            "boundaries;\n"
            "                  NAME.gpkg holds them as four layers; NAME.geojson writes "
            "NAME.geojson,\n"
            "                  NAME_bands.geojson, NAME_points.geojson and "
            "NAME_boundaries.geojson;\n"
            "                  NAME.shp writes NAME, NAME_bands, NAME_points and NAME_boundaries, "
            "each\n"
            "                  as .shp, .shx, .dbf, .cpg (UTF-8) and .prj. The set replaces an "
            "earlier\n"
            "                  export's as a whole; a file of those names that this program did "
            "not\n"
            "                  write is not replaced\n",
            Output::Contours, false, Needs::Gis, false, nullptr },
        { "--report",
            "  --report FILE   write an A4 PDF report: the inputs, the largest drawdown in a bore, "
            "the\n"
            "                  drawdown at each bore and observation point, the map, the surface\n"
            "                  (turned by --view), the curves and the pumping test, on as many "
            "pages\n"
            "                  as they take\n",
            Output::Report, true, Needs::Pictures, true, nullptr },
        { "--fit",
            "  --fit T,S       fit these parameters (any of SYMBOLS, a well function's\n"
            "                  own while it is the scenario's method) to the\n"
            "                  measured drawdowns of the scenario (measured = FILE in "
            "[observationN]\n"
            "                  and [boreN]) by least squares; the estimates, their standard errors "
            "and\n"
            "                  95 % intervals, the correlations and the RMSE are printed, and the "
            "run\n"
            "                  and every file after it take the fitted values. A fit that fails "
            "says\n"
            "                  why and changes nothing\n",
            std::nullopt, true, Needs::Program },
        { "--fit-report",
            "  --fit-report FILE  write the fit: estimates and intervals, then every reading with "
            "its\n"
            "                  fitted drawdown and residual (CSV)\n",
            Output::FitReport, true, Needs::Program, false, writeFitReportOutput },
        { "--fit-picture",
            "  --fit-picture FILE  draw the readings and the fit: log-log with the derivative\n"
            "                  ds/d ln t, semi-log with Cooper-Jacob's line, the residuals; .wmf, "
            ".svg,\n"
            "                  .pdf or .png\n",
            Output::FitPicture, true, Needs::Pictures, true, nullptr },
        { "--smoothing",
            "  --smoothing L   the derivative's smoothing on the fit picture and the report, "
            "Bourdet's\n"
            "                  L in log cycles of time (0.01 to 2; 0.2)\n",
            std::nullopt, true, Needs::Program },
        { "--type-curve",
            "  --type-curve    the fit picture and the report show the type curve: the readings "
            "and\n"
            "                  the fitted drawdown as W = 4 pi T s / Q against 1/u = 4 T t / (r^2 "
            "S),\n"
            "                  beside Theis' W(u), instead of the drawdown and its derivative\n",
            std::nullopt, true, Needs::Program },
        { "--animation",
            "  --animation FILE.gif  the map from one minute to the pumping time as an animated "
            "GIF,\n"
            "                  one frame per time at equal steps of log time, the time on each "
            "frame,\n"
            "                  the colours of the pumping time's map throughout\n",
            Output::Animation, true, Needs::Pictures, false, nullptr },
        { "--frames", "  --frames N      the animation's frames, 2 to 1000 (40)\n", std::nullopt,
            true, Needs::Program },
        { "--parameters-from",
            "  --parameters-from FITTED.ini  take T, S, the method and its parameters from "
            "another\n"
            "                  scenario (one --write-scenario wrote after a fit), in the same\n"
            "                  [units]; the rest (bores, map, times) stays this scenario's\n",
            std::nullopt, true, Needs::Program },
        { "--uncertainty",
            "  --uncertainty N  after --fit, draw N parameter sets from the fit's covariance "
            "(20 to\n"
            "                  100000; with 1000 the band's ends are within about 4 % of its "
            "width) and\n"
            "                  compute the map for each: the GeoTIFF gains the 5th, 50th and "
            "95th\n"
            "                  percentile of drawdown (with --time, of each map), the curves "
            "each\n"
            "                  point's, the summary and the report each bore's and point's 90 % "
            "band\n",
            std::nullopt, true, Needs::Program },
        { "--exceedance",
            "  --exceedance L  with --uncertainty, a GeoTIFF band with the chance that the "
            "drawdown\n"
            "                  passes L (in metres or the [units] length, or with its unit: \"2 "
            "ft\")\n",
            std::nullopt, true, Needs::Program },
        { "--title",
            "  --title TEXT    a title over the map picture, with the time it shows (\"Riverside:\n"
            "                  drawdown after 30 d\")\n",
            std::nullopt, true, Needs::Program },
        { "--time",
            "  --time T[,T...]  make the map, surface, grid, GeoTIFF and contours at these times "
            "since\n"
            "                  pumping began (\"1 d, 30 d, 1 year\"; a number alone in hours or "
            "the\n"
            "                  [units] time) instead of the pumping time: NAME_30d.EXT for each, "
            "one\n"
            "                  GeoTIFF band each; the record file stays at the pumping time\n",
            std::nullopt, true, Needs::Program },
        { "--fail-on-limits",
            "  --fail-on-limits  exit with status 3 when a bore runs dry (available_drawdown) or "
            "an\n"
            "                  observation point's limit is passed; the run and its files are made "
            "all\n"
            "                  the same\n",
            std::nullopt, true, Needs::Program },
    };

    constexpr const char* Closing
        = "\n"
          "SCENARIO holds these keys, each optional (a key left out keeps the window's start-up\n"
          "text; \"#\" or \";\" starts a comment; a value in double quotes is kept as it is):\n"
          "KEYS"
          "\n"
          "A FILE of - is standard output (a picture there is PNG); the summary then goes to "
          "standard\n"
          "error. A FILE that is a device or a pipe is written into; a regular file is replaced "
          "whole.\n"
          "Each option is given once, and no two outputs may name the same file.\n"
          "\n"
          "Exit status: 0 the run completed, 1 it was refused or a file could not be written,\n"
          "2 a bad command line or scenario file, 3 (with --fail-on-limits) the run completed and\n"
          "a bore runs dry or a limit is passed.\n";

} // namespace

std::span<const OptionRow> optionRows() { return Rows; }

const OptionRow& rowOf(Output output)
{
    for (const OptionRow& row : Rows)
        if (row.output == output)
            return row;
    throw std::logic_error("an output without its row");
}

std::string_view optionOf(Output output) { return rowOf(output).option; }

std::string usage()
{
    std::string text = Synopsis;
    for (const OptionRow& row : Rows)
        text += row.help;
    text += Closing;
    text.replace(text.find("KEYS"), 4, scenarioKeyList());
    text.replace(text.find("SYMBOLS"), 7, fitSymbols());
    return text;
}

} // namespace drawfield
