// drawfield-batch run as a user runs it: a scenario file in, messages, exit status and files out.

#include "files/record_file.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cmath>
#include <ctime>
#include <numbers>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

struct BatchRun {
    int status = -1;
    std::string out;
    std::string err;
};

BatchRun runBatch(const TemporaryFolder& folder, const std::string& arguments,
    const std::string& environment = {}, const std::string& program = DRAWFIELD_BATCH)
{
    std::string command = environment + " '" + program + "' " + arguments + " > '"
        + (folder / "stdout").string() + "' 2> '" + (folder / "stderr").string() + "'";
    int raw = std::system(command.c_str());
    BatchRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readBytes(folder / "stdout");
    run.err = readBytes(folder / "stderr");
    return run;
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }
std::string quoted(const std::string& path) { return "'" + path + "'"; }

const char* const Example = "[aquifer]\ntransmissivity = 0.003\n[bore1]\nx = 30\ny = 30\nrate = 6\n"
                            "[bore2]\nx = 60\ny = 60\nrate = 4\n";

} // namespace

TEST(BatchCommand, MessagesAndExitStatus)
{
    struct Case {
        const char* name;
        std::string scenario;
        int status;
        std::string err;
    };
    const Case cases[] = {
        { "example", Example, 0, "" },
        { "large map and a well outside it",
            std::string(Example) + "[map]\nx_max = 6000\n[bore3]\nx=7000\ny=5\nrate=3\n", 0,
            "Large X size, computation will take time...\n"
            "Large Y size, computation will take time...\n"
            "Pumping outside of map\n" },
        { "thickness exceeded: said once",
            std::string("[aquifer]\nthickness = "
                        "0.1\n[bore1]\nx=30\ny=30\nrate=6\n[bore2]\nx=31\ny=31\nrate=6\n"),
            0, "Drawdown > Aquifer thickness !\n" },
        { "no pumping rate", "[bore1]\nx = 30\ny = 30\n", 1, "No pumping rate \n" },
        { "zero transmissivity", "[aquifer]\ntransmissivity = 0\n[bore1]\nx=1\ny=1\nrate=6\n", 1,
            "Transmissivity (m2/s) must be greater than 0; \"0\" reads as 0.\n" },
        { "warnings come before refusals",
            "[map]\nx_max = 600\n[aquifer]\nstorage = 0\n[bore1]\nx=0\ny=1\nrate=6\n", 1,
            "Large X size, computation will take time...\nPumping outside of map\n"
            "S Coefficient of storage (%) must be greater than 0; \"0\" reads as 0.\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        writeBytes(folder / "site.ini", c.scenario);
        BatchRun run = runBatch(folder, quoted(folder / "site.ini"));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        if (c.status == 0) {
            EXPECT_TRUE(run.out.starts_with("map 1..")) << run.out;
        }
    }
}

// --parameters-from takes a fitted scenario's aquifer (T, S, the method and its parameters), the
// study keeping its bores; not in other [units], and no output over it.
TEST(BatchCommand, ParametersFromAFittedScenario)
{
    TemporaryFolder folder;
    writeBytes(folder / "study.ini", Example);
    writeBytes(folder / "fitted.ini",
        "[aquifer]\ntransmissivity = 0.0004\nstorage = 0.05\nmethod = neuman\nthickness = 30\n"
        "specific_yield = 12\nanisotropy = 0.3\n[bore1]\nx = 1\ny = 1\nrate = 1\n");
    writeBytes(folder / "per-day.ini",
        "[units]\ntransmissivity = m2/d\n[aquifer]\ntransmissivity = 35\n[bore1]\nrate = 1\n");
    const struct {
        const char* arguments;
        int status;
        const char* said; // in the summary (status 0) or the messages
    } cases[] = {
        { "study.ini --parameters-from fitted.ini", 0, "Neuman, Sy 12 %, Kd .3; " },
        { "study.ini --parameters-from per-day.ini", 2, "has other [units] than the scenario" },
        { "study.ini --parameters-from fitted.ini --record fitted.ini", 2,
            "would replace the parameters' scenario" },
        { "study.ini --parameters-from none.ini", 2, "none.ini" },
    };
    for (const auto& c : cases) {
        std::string arguments = c.arguments;
        for (const char* name : { "study.ini", "fitted.ini", "per-day.ini", "none.ini" })
            for (std::size_t at = arguments.find(name); at != std::string::npos;
                 at = arguments.find(name, at + quoted(folder / name).size()))
                arguments.replace(at, std::string_view(name).size(), quoted(folder / name));
        const BatchRun run = runBatch(folder, arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.said), std::string::npos)
            << c.arguments << "\n"
            << run.out << run.err;
    }
}

// A fit's record travels with its values: the fitted scenario names its source and intervals,
// and a study taking its values reports them as fitted, with their intervals.
TEST(BatchCommand, AStudyReportsTheFitItsValuesCameFrom)
{
    TemporaryFolder folder;
    const std::string scenario = DRAWFIELD_SOURCE_DIR "/resources/pumping-test/oude-korendijk.ini";
    const BatchRun fit = runBatch(
        folder, quoted(scenario) + " --fit T,S --write-scenario " + quoted(folder / "fitted.ini"));
    ASSERT_EQ(fit.status, 0) << fit.err;
    const std::string fitted = readBytes(folder / "fitted.ini");
    EXPECT_NE(fitted.find("[fit]\nsource = oude-korendijk.ini (obs_r30m.csv, obs_r90m.csv)\n"
                          "intervals = \"T = 0.005354"),
        std::string::npos)
        << fitted;
    writeBytes(folder / "study.ini",
        "[map]\nx_max = 400\n[aquifer]\nmethod = theis\n[bore1]\nname = Supply\nx = 200\n"
        "y = 200\nrate = 50\n");
    const BatchRun study = runBatch(folder,
        quoted(folder / "study.ini") + " --parameters-from " + quoted(folder / "fitted.ini")
            + " --report " + quoted(folder / "s.pdf"));
    ASSERT_EQ(study.status, 0) << study.err;
    ASSERT_EQ(
        std::system(
            ("pdftotext " + quoted(folder / "s.pdf") + " " + quoted(folder / "s.txt")).c_str()),
        0);
    std::string report;
    for (char c : readBytes(folder / "s.txt"))
        if (!(c == ' ' || c == '\n') || (!report.empty() && report.back() != ' '))
            report.push_back(c == '\n' ? ' ' : c);
    for (const char* part : { "Fitted to", "oude-korendijk.ini (obs_r30m.csv, obs_r90m.csv)",
             "0.00535435 m²/s, fitted (95", "0.0051 to 0.00563 m²/s)",
             "%, fitted (95 %: 0.0147 to 0.0215 %)" })
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
}

// A rectangular map: Y follows its own maximum; the grid and the summary say so.
TEST(BatchCommand, ARectangularMap)
{
    TemporaryFolder folder;
    writeBytes(folder / "r.ini", std::string(Example) + "[map]\nx_max = 100\ny_max = 40\n");
    const BatchRun run
        = runBatch(folder, quoted(folder / "r.ini") + " --grid " + quoted(folder / "r.asc"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("map 1..100 x 1..40 m, cell 1 m: 4000 nodes")) << run.out;
    const std::string grid = readBytes(folder / "r.asc");
    EXPECT_NE(grid.find("ncols 100"), std::string::npos) << grid.substr(0, 200);
    EXPECT_NE(grid.find("nrows 40"), std::string::npos) << grid.substr(0, 200);

    // In the site's eastings and northings, the summary says them.
    writeBytes(folder / "s.ini",
        "[map]\nx_min = 499001\ny_min = 5699001\nx_max = 499100\ny_max = 5699040\n"
        "coordinates = crs\n[bore1]\nx = 499030\ny = 5699030.2\nrate = 6\n"
        "[georeference]\ncrs = EPSG:25832\n");
    const BatchRun site = runBatch(folder, quoted(folder / "s.ini"));
    ASSERT_EQ(site.status, 0) << site.err;
    EXPECT_TRUE(site.out.starts_with("map E 499001..499100 x N 5699001..5699040 m (EPSG:25832), "
                                     "cell 1 m: 4000 nodes"))
        << site.out;
    EXPECT_NE(site.out.find("at (499029, 5699030)"), std::string::npos) << site.out;
    EXPECT_NE(site.err.find("\"5699030.2\" is taken as 5699030"), std::string::npos) << site.err;
    // Eastings in degrees are no site coordinates: the run is refused, saying why.
    std::string degrees = readBytes(folder / "s.ini");
    degrees.replace(degrees.find("EPSG:25832"), 10, "EPSG:4326");
    writeBytes(folder / "d.ini", degrees);
    const BatchRun geographic = runBatch(folder, quoted(folder / "d.ini"));
    EXPECT_EQ(geographic.status, 1);
    EXPECT_NE(geographic.err.find("The site's coordinates cannot be used: the coordinate system "
                                  "\"EPSG:4326\" is not a projected coordinate system"),
        std::string::npos)
        << geographic.err;
}

// --time: the map, grid, GeoTIFF and contours at each time asked, a file each named by its time
// and a GeoTIFF band each; the record file stays at the pumping time.
TEST(BatchCommand, MapsAtTheTimesAsked)
{
    TemporaryFolder folder;
    writeBytes(folder / "s.ini",
        std::string(Example)
            + "[georeference]\neasting = 500000\n"
              "northing = 5700000\ncrs = EPSG:25832\n");
    const BatchRun run = runBatch(folder,
        quoted(folder / "s.ini") + " --time \"1 d, 2 h, 1 year\"" + " --map "
            + quoted(folder / "m.svg") + " --grid " + quoted(folder / "g.asc") + " --geotiff "
            + quoted(folder / "t.tif") + " --contours " + quoted(folder / "c.gpkg") + " --record "
            + quoted(folder / "r.dat"));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : { "m_2h.svg", "m_24h.svg", "m_1year.svg", "g_2h.asc", "g_1year.asc",
             "c_24h.gpkg", "c_1year.gpkg", "t.tif", "r.dat" })
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    for (const char* name : { "m.svg", "g.asc", "c.gpkg" })
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    // Each time its own map, saying when; --title puts its words before.
    EXPECT_NE(readBytes(folder / "m_2h.svg").find("Drawdown after 2 h"), std::string::npos);
    ASSERT_EQ(
        runBatch(folder,
            quoted(folder / "s.ini") + " --title \"Site A\" --map " + quoted(folder / "titled.svg"))
            .status,
        0);
    EXPECT_NE(
        readBytes(folder / "titled.svg").find("Site A: drawdown after 24 h"), std::string::npos);
    // Each time its own map.
    const std::string early = readBytes(folder / "g_2h.asc"), day = readBytes(folder / "g_24h.asc");
    EXPECT_NE(early, day);
    ASSERT_EQ(
        std::system(
            ("gdalinfo " + quoted(folder / "t.tif") + " > " + quoted(folder / "i.txt")).c_str()),
        0);
    const std::string info = readBytes(folder / "i.txt");
    for (const char* band : { "Band 1 Block", "Description = drawdown at 2 h",
             "Description = drawdown at 24 h", "Description = drawdown at 1 year" })
        EXPECT_NE(info.find(band), std::string::npos) << band << "\n" << info;
    EXPECT_EQ(info.find("Band 4"), std::string::npos);

    // A timed name that is a file the run reads is refused before anything is written.
    writeBytes(folder / "p.ini",
        std::string(Example)
            + "[observation1]\nx = 40\ny = 40\n"
              "measured = obs_24h.csv\n");
    writeBytes(folder / "obs_24h.csv", "time_min,drawdown_m\n1,0.1\n");
    const BatchRun over = runBatch(
        folder, quoted(folder / "p.ini") + " --time 24 --grid " + quoted(folder / "obs.csv"));
    EXPECT_EQ(over.status, 2);
    EXPECT_NE(over.err.find("would replace the readings"), std::string::npos) << over.err;
    EXPECT_EQ(readBytes(folder / "obs_24h.csv"), "time_min,drawdown_m\n1,0.1\n");
    // Nor may a time's name be another output's.
    const BatchRun alike = runBatch(folder,
        quoted(folder / "s.ini") + " --time 24 --grid " + quoted(folder / "c.csv") + " --curves "
            + quoted(folder / "c_24h.csv"));
    EXPECT_EQ(alike.status, 2);
    EXPECT_NE(alike.err.find("both write"), std::string::npos) << alike.err;
    // A time that is none, or several times into one standard output, is a usage error.
    EXPECT_EQ(runBatch(folder, "--time 3x --map " + quoted(folder / "x.svg")).status, 2);
    EXPECT_EQ(runBatch(folder, "--time \"1, 2\" --grid -").status, 2);
}

// A line per verdict after the summary; --fail-on-limits makes a passed one the exit status.
TEST(BatchCommand, VerdictsAndFailOnLimits)
{
    const std::string site = "[aquifer]\ntransmissivity = 0.003\n"
                             "[bore1]\nname = PW-1\nx = 30\ny = 30\nrate = 6\n"
                             "available_drawdown = AVAILABLE\n"
                             "[observation1]\nname = Spring\nx = 60\ny = 30\nlimit = LIMIT\n";
    struct Case {
        const char* available;
        const char* limit;
        const char* option;
        int status;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "0.5", "1", "", 0,
            { "PW-1: largest drawdown ", " m available (", "); runs dry at ",
                "Spring: largest drawdown ", "limit 1 m; not passed" } },
        { "0.5", "1", "--fail-on-limits", 3, { "runs dry at " } },
        { "50", "0.01", "--fail-on-limits", 3, { "does not run dry", "; passed at " } },
        { "50 m", "1", "--fail-on-limits", 0, { "of 50 m available", "not passed" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.available) + " " + c.limit + " " + c.option);
        TemporaryFolder folder;
        std::string text = site;
        text.replace(text.find("AVAILABLE"), 9, c.available);
        text.replace(text.find("LIMIT"), 5, c.limit);
        writeBytes(folder / "site.ini", text);
        const BatchRun run = runBatch(folder, quoted(folder / "site.ini") + " " + c.option);
        EXPECT_EQ(run.status, c.status) << run.err;
        for (const std::string& part : c.lines)
            EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
    }
}

TEST(BatchCommand, WritesTheRecordAndAGridThatGdalOpens)
{
    TemporaryFolder folder;
    BatchRun run = runBatch(folder,
        "--threads 2 --record " + quoted(folder / "data" / "drawfield.dat")
            + " --grid=" + quoted(folder / "drawfield.asc"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(
        run.out.find("map 1..100 x 1..100 m, cell 1 m: 10000 nodes; Cooper-Jacob; largest drawdown "
                     "in a bore .68916730086968 m (Bore 1, at 0.1 m from it); largest on the "
                     "map's nodes .546134604613058 m at (30, 30)"),
        std::string::npos)
        << run.out;

    std::string record = readBytes(folder / "data" / "drawfield.dat");
    EXPECT_TRUE(record.starts_with(" 1, 1,-.117231291870562\r\n")) << record.substr(0, 80);
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 10000);

    std::string grid = readBytes(folder / "drawfield.asc");
    EXPECT_TRUE(grid.starts_with("ncols 100\nnrows 100\nxllcenter 1\nyllcenter 1\ncellsize 1\n"));

    std::string info = (folder / "gdalinfo.txt").string();
    ASSERT_EQ(std::system(
                  ("gdalinfo -stats " + quoted(folder / "drawfield.asc") + " > '" + info + "' 2>&1")
                      .c_str()),
        0)
        << readBytes(info);
    std::string report = readBytes(info);
    EXPECT_NE(report.find("Size is 100, 100"), std::string::npos) << report;
    EXPECT_NE(report.find("Origin = (0.500000000000000,100.500000000000000)"), std::string::npos)
        << report;
    EXPECT_NE(report.find("STATISTICS_MINIMUM=-0.546134"), std::string::npos) << report;
}

// --validity writes where Cooper-Jacob is more than 1 % off Theis, a grid of 0 and 1 that GDAL
// opens on the map's lattice; the summary names the method.
TEST(BatchCommand, ValidityGridAndTheMethod)
{
    TemporaryFolder folder;
    BatchRun run = runBatch(folder, "--validity " + quoted(folder / "v.asc"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("10000 nodes; Cooper-Jacob; largest drawdown"), std::string::npos)
        << run.out;
    std::string grid = readBytes(folder / "v.asc");
    ASSERT_TRUE(grid.starts_with("ncols 100\nnrows 100\nxllcenter 1\n")) << grid.substr(0, 60);
    // Next to the first well (30, 30) it holds; the far corner (100, 100) is on the first row.
    std::vector<std::string> rows;
    std::istringstream lines(grid);
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 105u);
    EXPECT_EQ(rows[5].substr(rows[5].size() - 1), "1");
    EXPECT_EQ(rows[5 + 100 - 31][2 * 30], '0'); // (31, 31)
    std::string info = folder.path() / "info";
    ASSERT_EQ(
        std::system(
            ("gdalinfo -stats " + quoted(folder / "v.asc") + " > '" + info + "' 2>&1").c_str()),
        0);
    EXPECT_NE(readBytes(info).find("STATISTICS_MAXIMUM=1"), std::string::npos);

    writeBytes(folder / "theis.ini", std::string(Example) + "[aquifer]\nmethod = theis\n");
    BatchRun theis = runBatch(
        folder, quoted(folder / "theis.ini") + " --validity " + quoted(folder / "w.asc"));
    EXPECT_EQ(theis.status, 1);
    EXPECT_NE(theis.out.find("; Theis; largest drawdown"), std::string::npos) << theis.out;
    EXPECT_NE(theis.err.find("No validity grid was written"), std::string::npos) << theis.err;
}

// Schedules, a boundary, observation points and a profile from a scenario file: the curves and
// the profile as CSV, the grid with its no-data beyond the boundary, no record line there.
TEST(BatchCommand, CurvesProfileAndABoundary)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        "[aquifer]\nmethod = theis\n[bore1]\nx = 30\ny = 30\nrate = 6\nschedule = 12:0, 18:3\n"
        "[boundary1]\nkind = recharge\nx1 = 10\ny1 = 0\nx2 = 10\ny2 = 100\n"
        "[observation1]\nname = Farm well\nx = 75.5\ny = 40\n"
        "[observation2]\nname = Beyond\nx = 5\ny = 5\n"
        "[profile]\nx1 = 1\ny1 = 1\nx2 = 100\ny2 = 100\n");
    BatchRun run = runBatch(folder,
        quoted(folder / "site.ini") + " --curves " + quoted(folder / "c.csv") + " --profile "
            + quoted(folder / "p.csv") + " --grid " + quoted(folder / "g.asc") + " --record "
            + quoted(folder / "r.dat") + " --curves-picture " + quoted(folder / "c.svg"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string curves = readBytes(folder / "c.csv");
    EXPECT_TRUE(curves.starts_with("hours,Farm well,Beyond\n0.016666666666666666,"))
        << curves.substr(0, 60);
    EXPECT_NE(curves.find("\n12,"), std::string::npos) << "a schedule hour is a row";
    EXPECT_NE(curves.find(",\n24,"), std::string::npos) << curves.substr(curves.size() - 80);
    EXPECT_TRUE(curves.ends_with(",\n")) << "beyond the boundary: an empty cell";
    const std::string profile = readBytes(folder / "p.csv");
    EXPECT_TRUE(profile.starts_with("distance_m,x_m,y_m,drawdown_m\n0,1,1,\n"));
    EXPECT_EQ(std::count(profile.begin(), profile.end(), '\n'), 202);
    const std::string grid = readBytes(folder / "g.asc");
    EXPECT_NE(grid.find("NODATA_value -9999\n-9999 "), std::string::npos);
    const std::string record = readBytes(folder / "r.dat");
    // Nodes beyond x = 10 are outside the aquifer and the recharge line itself is held at zero.
    EXPECT_TRUE(record.starts_with(" 11,")) << "no line up to x = 10: " << record.substr(0, 40);

    const std::string picture = readBytes(folder / "c.svg");
    EXPECT_NE(picture.find("Farm well"), std::string::npos);
    EXPECT_NE(picture.find("Bore 1: 0 m3/h"), std::string::npos) << "the schedule hour is marked";

    writeBytes(folder / "plain.ini", Example);
    BatchRun none = runBatch(folder,
        quoted(folder / "plain.ini") + " --curves " + quoted(folder / "n.csv")
            + " --curves-picture " + quoted(folder / "n.png"));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("No curves were written: the scenario has no observation point."),
        std::string::npos);
    EXPECT_NE(none.err.find("No curves picture was drawn: the scenario has no observation point "
                            "and no [profile]."),
        std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "n.png"));
}

// The same scenario with [units] in feet and days: the curves, the profile and the summary give
// the metric run's drawdowns divided by 0.3048, at its hours divided by 24, and name the units;
// the record file stays in metres, byte for byte.
TEST(BatchCommand, OutputsInTheUnitsChosen)
{
    TemporaryFolder folder;
    const std::string metric
        = "[aquifer]\nmethod = theis\nthickness = 20\n[bore1]\nx = 30\ny = 30\n"
          "rate = 6\n[observation1]\nname = Farm well\nx = 75.5\ny = 40\n"
          "[profile]\nx1 = 1\ny1 = 1\nx2 = 100\ny2 = 100\n";
    writeBytes(folder / "m.ini", metric);
    writeBytes(folder / "ft.ini",
        "[map]\nx_min = 1 m\ny_min = 1 m\nx_max = 100 m\ncell_size = 1 m\n"
        "[aquifer]\nmethod = theis\npumping_time = 1\nthickness = 20 m\n"
        "[bore1]\nx = 30 m\ny = 30 m\nrate = 144 m3/d\n"
        "[observation1]\nname = Farm well\nx = 75.5 m\ny = 40 m\n"
        "[profile]\nx1 = 1 m\ny1 = 1 m\nx2 = 100 m\ny2 = 100 m\n"
        "[units]\nlength = ft\ntime = d\n");
    auto run = [&](const char* name) {
        const std::string stem = std::string(name);
        BatchRun batch = runBatch(folder,
            quoted(folder / (stem + ".ini")) + " --curves " + quoted(folder / (stem + "c.csv"))
                + " --profile " + quoted(folder / (stem + "p.csv")) + " --record "
                + quoted(folder / (stem + ".dat")));
        EXPECT_EQ(batch.status, 0) << batch.err;
        return batch;
    };
    const BatchRun m = run("m"), ft = run("ft");
    EXPECT_EQ(readBytes(folder / "m.dat"), readBytes(folder / "ft.dat"));
    auto rows = [](const std::string& text) {
        std::vector<std::vector<double>> values;
        std::istringstream lines(text.substr(text.find('\n') + 1));
        for (std::string line; std::getline(lines, line);) {
            std::vector<double> row;
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, ',');)
                row.push_back(cell.empty() ? 0.0 : std::stod(cell));
            values.push_back(row);
        }
        return values;
    };
    const std::string curves = readBytes(folder / "ftc.csv");
    EXPECT_TRUE(curves.starts_with("time_d,Farm well (ft)\n")) << curves.substr(0, 40);
    EXPECT_TRUE(readBytes(folder / "ftp.csv").starts_with("distance_m,x_m,y_m,drawdown_ft\n"));
    for (auto [metres, feet, timeColumn] :
        { std::tuple { rows(readBytes(folder / "mc.csv")), rows(curves), true },
            { rows(readBytes(folder / "mp.csv")), rows(readBytes(folder / "ftp.csv")), false } }) {
        ASSERT_EQ(metres.size(), feet.size());
        for (std::size_t r = 0; r < metres.size(); ++r) {
            EXPECT_NEAR(
                feet[r][0], timeColumn ? metres[r][0] / 24.0 : metres[r][0], 1e-12 * metres[r][0]);
            const double drawdown = metres[r].back(), inFeet = feet[r].back();
            EXPECT_NEAR(inFeet, drawdown / 0.3048, 1e-12 * std::fabs(inFeet)) << r;
        }
    }
    EXPECT_NE(ft.out.find(" ft (Bore 1, at 0.328084 ft from it)"), std::string::npos) << ft.out;
    EXPECT_NE(m.out.find(" m (Bore 1, at 0.1 m from it)"), std::string::npos) << m.out;
}

// The scenario read, written back with every key: it runs to the same record file, byte for
// byte; a refused run still writes it.
TEST(BatchCommand, WriteScenario)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        "[map]\nx_max = 60,5\n[aquifer]\nmethod = theis\n[bore1]\nx = 20\ny = 25\nrate = 6\n"
        "schedule = 12:0\n[boundary1]\nkind = barrier\nx1 = 5\ny1 = 0\nx2 = 5\ny2 = 1\n");
    BatchRun first = runBatch(folder,
        quoted(folder / "site.ini") + " --write-scenario " + quoted(folder / "w.ini") + " --record "
            + quoted(folder / "r1.dat"));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(readBytes(folder / "w.ini").find("x_max = 60,5\n"), std::string::npos);
    BatchRun second
        = runBatch(folder, quoted(folder / "w.ini") + " --record " + quoted(folder / "r2.dat"));
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(readBytes(folder / "r1.dat"), readBytes(folder / "r2.dat"));

    writeBytes(folder / "refused.ini", "[bore1]\nx = 5\n");
    BatchRun refused = runBatch(
        folder, quoted(folder / "refused.ini") + " --write-scenario " + quoted(folder / "w2.ini"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(readBytes(folder / "w2.ini").find("\nx = 5\n"), std::string::npos);
}

// GIS files placed by [georeference]: gdallocationinfo finds the bore's drawdown at its easting
// and northing; the contours hold the map's levels; a file that cannot be written is said.
TEST(BatchCommand, GeoreferencedGisFiles)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        "[bore1]\nx = 30\ny = 30\nrate = 6\n[georeference]\neasting = 500000\nnorthing = "
        "5700000\ncrs = EPSG:25832\n");
    BatchRun run = runBatch(folder,
        quoted(folder / "site.ini") + " --geotiff " + quoted(folder / "d.tif") + " --contours "
            + quoted(folder / "c.geojson") + " --grid " + quoted(folder / "g.asc"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string info = (folder / "info.txt").string();
    ASSERT_EQ(std::system(("gdallocationinfo -valonly -geoloc " + quoted(folder / "d.tif")
                  + " 500030 5700030 > '" + info + "'")
                              .c_str()),
        0);
    // The same node in the ESRI grid holds minus that drawdown, at the same place: the grid
    // is placed by the georeference too, its .prj naming the system.
    ASSERT_EQ(std::system(("gdallocationinfo -valonly -geoloc " + quoted(folder / "g.asc")
                  + " 500030 5700030 >> '" + info + "'")
                              .c_str()),
        0);
    const std::string values = readBytes(info);
    const double drawdown = std::stod(values),
                 gridValue = std::stod(values.substr(values.find('\n') + 1));
    EXPECT_GT(drawdown, 0.3) << values;
    EXPECT_NEAR(drawdown, -gridValue, 1e-6) << values; // GDAL reads the ASCII grid as Float32
    EXPECT_NE(readBytes(folder / "g.prj").find("ETRS_1989_UTM_Zone_32N"), std::string::npos);
    for (const char* name :
        { "c.geojson", "c_bands.geojson", "c_points.geojson", "c_boundaries.geojson" })
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    // The chart's levels, shallowest 0.05 m on this cone.
    EXPECT_NE(readBytes(folder / "c.geojson").find("\"drawdown_m\": 0.05, \"time\": \"24 h\" }"),
        std::string::npos);
    EXPECT_NE(readBytes(folder / "c.geojson").find("EPSG::25832"), std::string::npos);

    BatchRun refused = runBatch(folder, "--contours " + quoted(folder / "c.kml"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Cannot write the contour file " + (folder / "c.kml").string()
                  + ": The name must end in .gpkg, .geojson or .shp."),
        std::string::npos)
        << refused.err;
}

// Each output is attempted on its own, each failure named: one that fails does not skip the next.
// A coordinate system that cannot place the map refuses the georeferenced files, before the run,
// and only them.
TEST(BatchCommand, EachOutputIsAttemptedAndEachFailureNamed)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        std::string(Example)
            + "[observation1]\nname = P\nx = 50\ny = 50\n[profile]\nx1 = 1\ny1 = 1\nx2 = 9\ny2 "
              "= 9\n[georeference]\neasting = 500000\nnorthing = 5700000\ncrs = EPSG:25832\n");
    writeBytes(folder / "file", "a file, not a folder");
    const auto blocked = folder / "file" / "x";
    BatchRun run = runBatch(folder,
        quoted(folder / "site.ini") + " --geotiff " + quoted(blocked.string() + ".tif")
            + " --contours " + quoted(folder / "c.gpkg") + " --curves "
            + quoted(blocked.string() + ".csv") + " --profile " + quoted(folder / "p.csv")
            + " --record " + quoted(blocked.string() + ".dat"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot write the record file " + blocked.string() + ".dat: "),
        std::string::npos);
    EXPECT_NE(run.err.find("Cannot write the GeoTIFF file " + blocked.string() + ".tif"),
        std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Cannot write the curves file " + blocked.string() + ".csv"),
        std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder / "c.gpkg"));
    EXPECT_TRUE(std::filesystem::exists(folder / "p.csv"));

    writeBytes(folder / "mercator.ini",
        std::string(Example)
            + "[georeference]\neasting = 500000\nnorthing = 5700000\ncrs = EPSG:3857\n");
    BatchRun stretched = runBatch(folder,
        quoted(folder / "mercator.ini") + " --geotiff " + quoted(folder / "m.tif") + " --record "
            + quoted(folder / "m.dat"));
    EXPECT_EQ(stretched.status, 1);
    EXPECT_TRUE(stretched.err.starts_with("The georeferenced files were not written: the "
                                          "coordinate system \"EPSG:3857\" changes distances"))
        << stretched.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "m.tif"));
    EXPECT_TRUE(std::filesystem::exists(folder / "m.dat")) << "the rest of the run goes on";
}

// On a full disk every file says so, as every output does, and keeps what was there: GeoJSON's
// writer reports no failed write, so its files are read back. Needs a small file system of its
// own, mounted in a namespace of the test's.
TEST(BatchCommand, AFullDiskKeepsThePreviousFiles)
{
    TemporaryFolder folder;
    const std::string disk = (folder / "disk").string();
    std::filesystem::create_directories(disk);
    writeBytes(folder / "site.ini", "[map]\nx_max = 400\n[bore1]\nx = 200\ny = 200\nrate = 60\n");
    const std::string script = "mount -t tmpfs -o size=48k tmpfs '" + disk
        + "' || exit 77; printf "
          "before > '"
        + disk + "/c.geojson'; printf before > '" + disk + "/d.tif'; printf before > '" + disk
        + "/a.gif'; '" + DRAWFIELD_BATCH + "' " + quoted(folder / "site.ini") + " --contours '"
        + disk + "/c.geojson' --geotiff '" + disk + "/d.tif' --animation '" + disk
        + "/a.gif'; echo \"status $?\"; cat '" + disk + "/a.gif' '" + disk + "/c.geojson' '" + disk
        + "/d.tif'; ls -A '" + disk + "'";
    writeBytes(folder / "full.sh", script);
    const int raw = std::system(("unshare -Urm sh " + quoted(folder / "full.sh") + " > "
        + quoted(folder / "out") + " 2> " + quoted(folder / "err"))
                                    .c_str());
    if (!WIFEXITED(raw) || WEXITSTATUS(raw) == 77 || readBytes(folder / "out").empty())
        GTEST_SKIP() << "no small file system to fill here: " << readBytes(folder / "err");
    const std::string out = readBytes(folder / "out"), err = readBytes(folder / "err");
    EXPECT_NE(out.find("status 1\nbeforebeforebeforea.gif\nc.geojson\nd.tif\n"), std::string::npos)
        << out;
    // Every output says the system's reason in the same words.
    for (const char* what : { "contour file", "GeoTIFF file", "animation" })
        EXPECT_NE(err.find("Cannot write the " + std::string(what) + " " + disk), std::string::npos)
            << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
    for (std::size_t at = 0; (at = err.find('\n', at)) != std::string::npos; ++at)
        EXPECT_EQ(err.substr(at - 26, 27), ": No space left on device.\n") << err;
    EXPECT_EQ(err.find("TIFF"), err.find("TIFF file")) << "GDAL's own words are not passed on";
}

// The report's text read back from the PDF: the inputs, the values at the bore and the
// observation point (the latter against Cooper-Jacob's closed form), the largest drawdown, the
// scenario's name and the date; the charts are drawn, not pasted as images.
TEST(BatchCommand, ReportPage)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        "[aquifer]\ntransmissivity = 0.004\nstorage = 2\npumping_time = 48\n[bore1]\nx = 40\ny = "
        "40\nrate = 7.5\nschedule = 36:15\n[boundary1]\nkind = recharge\nx1 = 0\ny1 = 95\nx2 = "
        "1\ny2 = 95\n[observation1]\nname = Farm well\nx = 70\ny = 40\n[georeference]\n"
        "easting = 600000\nnorthing = 5300000\ncrs = EPSG:32632\n");
    BatchRun run = runBatch(
        folder, quoted(folder / "site.ini") + " --report " + quoted(folder / "site report.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string text = (folder / "text.txt").string();
    ASSERT_EQ(
        std::system(("pdftotext -layout " + quoted(folder / "site report.pdf") + " '" + text + "'")
                        .c_str()),
        0);
    const std::string page = readBytes(text);
    for (const char* expected :
        { "Drawdown report", "Scenario: site.ini", "Transmissivity", "0.004 m²/s",
            "Storage coefficient", "48 h", "Cooper-Jacob",
            "X and Y from 1 to 100 m, nodes every 1 m", "E 600000, N 5300000, EPSG:32632", "Bore 1",
            "7.5", "from 36 h: 15", "Recharge (constant head) through (0, 95) and (1, 95) m",
            "Farm well", "Drawdown at 48 h (m)",
            "Largest drawdown on the map's nodes: ", "Time since pumping began (h)" })
        EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
    // The headline is the bore table's value, said in words; the summary says the same.
    const std::size_t boreRow = page.find(" at r = 0.1 m");
    ASSERT_NE(boreRow, std::string::npos) << page;
    const std::size_t valueStart = page.rfind(' ', page.find_last_not_of(' ', boreRow - 1)) + 1;
    const std::string inBore = page.substr(valueStart, boreRow - valueStart);
    EXPECT_NE(page.find("Largest drawdown in a bore: " + inBore + " m in Bore 1, at its radius"),
        std::string::npos)
        << inBore << "\n"
        << page;
    const std::string said = "; largest drawdown in a bore ";
    ASSERT_NE(run.out.find(said), std::string::npos) << run.out;
    EXPECT_NEAR(
        std::stod(run.out.substr(run.out.find(said) + said.size())), std::stod(inBore), 0.0006)
        << run.out;
    const std::time_t now = std::time(nullptr);
    char month[16];
    std::strftime(month, sizeof month, "%Y-%m-", std::localtime(&now));
    EXPECT_NE(page.find(month), std::string::npos) << page;

    // At the observation point: the bore's 7.5 m3/h from 0 h and 7.5 m3/h more from 36 h, less
    // their images across the recharge line at y = 95, each by Cooper-Jacob's
    // s = Q / (4 pi T) ln(2.25 T t / (r^2 S)), to the 3 decimals printed.
    auto cooperJacob = [](double r, double hours) {
        const double Q = 7.5 / 3600, T = 0.004, S = 0.02, t = hours * 3600;
        return std::max(0.0, Q / (4 * std::numbers::pi * T) * std::log(2.25 * T * t / (r * r * S)));
    };
    const double direct = 30.0, image = std::hypot(30.0, 110.0);
    const double expected = cooperJacob(direct, 48) + cooperJacob(direct, 12)
        - cooperJacob(image, 48) - cooperJacob(image, 12);
    const std::size_t farm = page.find("Farm well");
    ASSERT_NE(farm, std::string::npos);
    std::istringstream row(page.substr(farm + 9, page.find('\n', farm) - farm - 9));
    double x = 0, y = 0, printed = 0;
    row >> x >> y >> printed;
    EXPECT_EQ(x, 70);
    EXPECT_EQ(y, 40);
    EXPECT_GT(expected, 0.05);
    EXPECT_NEAR(printed, expected, 0.0006) << page;

    const std::string images = (folder / "images.txt").string();
    ASSERT_EQ(std::system(
                  ("pdfimages -list " + quoted(folder / "site report.pdf") + " > '" + images + "'")
                      .c_str()),
        0);
    const std::string list = readBytes(images);
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list; // the header only
}

// A busy scenario's report: every input whole on its pages (a long schedule, long names), the
// drawdown in each bore at its radius, the map's legend complete, the PDF's title, subject and
// creator set, and a size that vector charts of a few thousand faces make.
TEST(BatchCommand, ReportOfABusyScenario)
{
    TemporaryFolder folder;
    std::string scenario = "[map]\nx_max = 200\n[aquifer]\nunconfined = yes\nthickness = 25\n"
                           "[bore1]\nx = 60\ny = 60\nrate = 12\nradius = 0.15\nschedule = 6:18, "
                           "12:0, 18:24, 24:6, 30:0, 36:12, 48:30, 60:0\n"
                           "[boundary1]\nkind = barrier\nx1 = 10\ny1 = 0\nx2 = 10\ny2 = 1\n"
                           "[boundary2]\nkind = recharge\nx1 = 0\ny1 = 190\nx2 = 1\ny2 = 190\n";
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i) {
        names.push_back("Grundwassermessstelle GWM-" + std::to_string(i)
            + " Hofgut \xc3\x9c"
              "berlingen tief");
        scenario += "[observation" + std::to_string(i) + "]\nname = " + names.back()
            + "\nx = " + std::to_string(15 * i) + "\ny = " + std::to_string(20 + 10 * i) + "\n";
    }
    for (int bore = 2; bore <= 5; ++bore)
        scenario += "[bore" + std::to_string(bore) + "]\nx = " + std::to_string(30 * bore)
            + "\ny = 100\nrate = 5\n";
    writeBytes(folder / "busy.ini", scenario);
    BatchRun run
        = runBatch(folder, quoted(folder / "busy.ini") + " --report " + quoted(folder / "b.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(std::system(("pdftotext " + quoted(folder / "b.pdf") + " " + quoted(folder / "b.txt")
                  + " && pdfinfo " + quoted(folder / "b.pdf") + " > " + quoted(folder / "info.txt"))
                              .c_str()),
        0);
    const std::string info = readBytes(folder / "info.txt");
    std::string text; // lines that wrapped joined again
    for (char c : readBytes(folder / "b.txt"))
        if (!(c == ' ' || c == '\n') || (!text.empty() && text.back() != ' '))
            text.push_back(c == '\n' ? ' ' : c);
    for (const std::string& name : names)
        EXPECT_NE(text.find(name), std::string::npos) << name;
    for (const char* step : { "from 6 h: 18", "from 30 h: 0", "from 48 h: 30", "from 60 h: 0",
             "at r = 0.15 m", "at r = 0.1 m", "Barrier: no flow", "Recharge: constant head",
             "Cooper-Jacob within 1 % of Theis inside" }) // without --map or --validity
        EXPECT_NE(text.find(step), std::string::npos) << step;
    for (const char* field : { "Title:           Drawdown report: busy.ini",
             "Subject:         The drawdown of the water level around 5 pumping bores after 24 h",
             "Creator:         Drawfield 2.0", "Pages:           2" })
        EXPECT_NE(info.find(field), std::string::npos) << field << "\n" << info;
    EXPECT_LT(std::filesystem::file_size(folder / "b.pdf"), 400'000u);
}

// A report a client is handed: its head as [report] writes it, a table of every bore and point
// at each time asked with the verdicts, the maps at those times; every text whole.
TEST(BatchCommand, AReportAClientIsHanded)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini",
        "[map]\nx_min = 0\ny_min = 0\nx_max = 1000\ncell_size = 5\n"
        "[aquifer]\ntransmissivity = 0.003\nstorage = 0.04\npumping_time = 720\nmethod = theis\n"
        "[bore1]\nname = PW-1 Mill Lane\nx = 500\ny = 500\nrate = 20\navailable_drawdown = 4.6\n"
        "[bore2]\nname = PW-2\nx = 560\ny = 500\nrate = 0\nschedule = 100:30, 400:0\n"
        "available_drawdown = 12\n"
        "[observation1]\nname = Spring at the old chapel\nx = 500\ny = 800\nlimit = 1.99\n"
        "[observation2]\nname = Neighbour's well (Smith farm)\nx = 300\ny = 420\nlimit = 3\n"
        "[report]\ntitle = Water supply for Mill Lane\nproject = Mill Lane wellfield\n"
        "client = Eastwick Water Ltd\nauthor = A. Hydro\ndate = 8 December 2026\n"
        "notes = \"Two bores; the second runs from day 4 to day 17.\"\n"
        "times = 1 d, 30 d, 1 year\n");
    const BatchRun run
        = runBatch(folder, quoted(folder / "site.ini") + " --report " + quoted(folder / "r.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(
        std::system(
            ("pdftotext " + quoted(folder / "r.pdf") + " " + quoted(folder / "r.txt")).c_str()),
        0);
    std::string text; // lines that wrapped joined again
    for (char c : readBytes(folder / "r.txt"))
        if (!(c == ' ' || c == '\n') || (!text.empty() && text.back() != ' '))
            text.push_back(c == '\n' ? ' ' : c);
    for (const char* part : { "Water supply for Mill Lane", "Project: Mill Lane wellfield",
             "Client: Eastwick Water Ltd", "Author: A. Hydro", "Date: 8 December 2026",
             "Two bores; the second runs from day 4 to day 17.", "24 h", "30 d", "1 year",
             "PW-1 Mill Lane", "Spring at the old chapel", "Neighbour's well (Smith farm)",
             "runs dry at 164.6 h", "does not run dry", "passed at 399.5 h", "not passed",
             "After 24 h", "After 30 d", "After 1 year", "limit (1.99 m)",
             "Largest drawdown in a bore: 3.417 m in PW-1 Mill Lane" })
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    // No label cut short.
    EXPECT_EQ(text.find("\xe2\x80\xa6"), std::string::npos) << text;
}

TEST(BatchCommand, RefusedRunLeavesTheOldRecordFile)
{
    TemporaryFolder folder;
    writeBytes(folder / "drawfield.dat", "the last run\r\n");
    writeBytes(folder / "site.ini", "[bore1]\nx = 30\ny = 30\nrate = 0\n");
    BatchRun run = runBatch(
        folder, quoted(folder / "site.ini") + " --record " + quoted(folder / "drawfield.dat"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readBytes(folder / "drawfield.dat"), "the last run\r\n");
}

TEST(BatchCommand, BadCommandLinesAndScenarioFiles)
{
    struct Case {
        const char* name;
        std::string arguments;
        std::string errStartsWith;
    };
    TemporaryFolder folder;
    writeBytes(folder / "bad.ini", "[map]\nx_max = 100\nnonsense\n");
    writeBytes(folder / "huge.ini", "[map]\n" + std::string(2 << 20, '#') + "\n");
    const Case cases[] = {
        { "unknown option", "--colour red", "drawfield-batch: unknown option \"--colour\"" },
        { "missing value", "--record", "drawfield-batch: --record needs a value" },
        { "bad thread count", "--threads 0",
            "drawfield-batch: --threads needs a whole number from 1 to 1024" },
        { "two scenarios", "a.ini b.ini", "drawfield-batch: only one scenario file" },
        { "missing scenario file", quoted(folder / "none.ini"),
            "Cannot read the scenario file " + (folder / "none.ini").string()
                + ": No such file or directory.\n" },
        { "malformed scenario file", quoted(folder / "bad.ini"),
            "Cannot read the scenario file " + (folder / "bad.ini").string()
                + " at line 3: Malformed line" },
        { "a folder as scenario", quoted(folder.path()),
            "Cannot read the scenario file " + folder.path().string() + ": It is a folder.\n" },
        { "a device as scenario", "/dev/zero",
            "Cannot read the scenario file /dev/zero: It is not a regular file.\n" },
        { "a scenario file too large", quoted(folder / "huge.ini"),
            "Cannot read the scenario file " + (folder / "huge.ini").string()
                + ": It is larger than 1024 kB; a scenario file holds a few lines.\n" },
        { "overlong option quoted short", "--" + std::string(100000, 'x'),
            "drawfield-batch: unknown option \"--" + std::string(38, 'x') + "\"...\n" },
        { "two files on standard output", "--record - --grid -",
            "drawfield-batch: only one file can go to standard output (-)" },
        { "contours on standard output", "--contours -",
            "drawfield-batch: --contours needs a file, not standard output" },
        // Two outputs into one file would overwrite or mix each other.
        { "an option given twice", "--map a.png --map b.png",
            "drawfield-batch: \"--map\" was given twice" },
        { "a GeoTIFF and contours named alike",
            "--geotiff " + quoted(folder / "s.tif") + " --contours " + quoted(folder / "s.tif"),
            "drawfield-batch: --geotiff and --contours both write " + (folder / "s.tif").string() },
        { "a contour sibling over the report",
            "--contours " + quoted(folder / "c.shp") + " --report "
                + quoted(folder / "c_points.dbf"),
            "drawfield-batch: --contours and --report both write" },
        { "a grid's .prj",
            "--grid " + quoted(folder / "g.asc") + " --curves " + quoted(folder / "g.prj"),
            "drawfield-batch: --grid and --curves both write" },
        { "a GeoTIFF that is no .tif", "--geotiff " + quoted(folder / "g.asc"),
            "drawfield-batch: --geotiff needs a name ending in .tif or .tiff" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRun run = runBatch(folder, c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.starts_with(c.errStartsWith)) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(BatchCommand, DrawsTheMapAndTheSurface)
{
    TemporaryFolder folder;
    BatchRun run = runBatch(folder,
        "--map " + quoted(folder / "map.svg") + " --surface " + quoted(folder / "surface.wmf")
            + " --view 20,0,-40");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(readBytes(folder / "map.svg").starts_with("<?xml"));
    EXPECT_TRUE(readBytes(folder / "surface.wmf").starts_with("\xD7\xCD\xC6\x9A"));

    struct Case {
        const char* name;
        std::string arguments;
        int status;
        std::string errStartsWith;
    };
    const Case cases[] = {
        { "two angles", "--view 1,2", 2, "drawfield-batch: --view needs three angles" },
        { "four angles", "--view 1,2,3,4", 2, "drawfield-batch: --view needs three angles" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRun failed = runBatch(folder, c.arguments);
        EXPECT_EQ(failed.status, c.status);
        EXPECT_TRUE(failed.err.find(c.errStartsWith) != std::string::npos) << failed.err;
    }
}

TEST(BatchCommand, HandsTheRecordToTheMappingProgram)
{
    TemporaryFolder folder;
    std::filesystem::path record = folder / "run" / "site.dat";
    BatchRun run = runBatch(folder, "--surfer --record " + quoted(record));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* suffix : { "grd", "bmp", "srf" }) {
        std::filesystem::path made = folder / "run" / (std::string("site.") + suffix);
        EXPECT_TRUE(std::filesystem::exists(made)) << made;
    }
    EXPECT_TRUE(
        readBytes(folder / "run" / "site.srf").find("drawfield-mapper plot") != std::string::npos);
}

// Outputs go where a Unix user points them: standard output, a device, through a link, or under a
// name that is not UTF-8, byte for byte.
TEST(BatchCommand, OutputsToStandardOutputDevicesLinksAndAnyName)
{
    TemporaryFolder folder;
    BatchRun toFile = runBatch(folder, "--record " + quoted(folder / "r.dat"));
    ASSERT_EQ(toFile.status, 0) << toFile.err;

    BatchRun toStandardOutput = runBatch(folder, "--record -");
    ASSERT_EQ(toStandardOutput.status, 0) << toStandardOutput.err;
    EXPECT_EQ(toStandardOutput.out, readBytes(folder / "r.dat"));
    EXPECT_TRUE(toStandardOutput.err.starts_with("map 1..100 x 1..100 m")) << "the summary moves";

    BatchRun toDevice = runBatch(folder, "--record /dev/null --grid /dev/stdout");
    ASSERT_EQ(toDevice.status, 0) << toDevice.err;
    EXPECT_TRUE(toDevice.out.starts_with("ncols 100\n")) << toDevice.out.substr(0, 40);
    EXPECT_EQ(toDevice.out.find("map "), std::string::npos) << "the summary went to stderr";

    std::filesystem::create_directories(folder / "keep");
    writeBytes(folder / "keep" / "site.asc", "old");
    std::filesystem::create_symlink("keep/site.asc", folder / "link.asc");
    const std::string oddName = "map-\xff\xfe.svg";
    BatchRun throughLink = runBatch(
        folder, "--grid " + quoted(folder / "link.asc") + " --map " + quoted(folder / oddName));
    ASSERT_EQ(throughLink.status, 0) << throughLink.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.asc"));
    EXPECT_TRUE(readBytes(folder / "keep" / "site.asc").starts_with("ncols 100\n"));
    EXPECT_TRUE(readBytes(folder / oddName).starts_with("<?xml")) << "the name keeps its bytes";
}

// The mapping program is given names as text: a record file whose name is not valid text is not
// exported under another name, and the user is told.
TEST(BatchCommand, ARecordNameThatIsNotTextIsNotHandedOn)
{
    TemporaryFolder folder;
    const std::filesystem::path record = folder / "run-\xff.dat";
    BatchRun run = runBatch(folder, "--surfer --record " + quoted(record));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not valid text (UTF-8), so the mapping program cannot be given it"),
        std::string::npos)
        << run.err;
    EXPECT_TRUE(std::filesystem::exists(record)) << "the record file itself is written";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3)
        << "record, stdout, stderr and nothing of an export";
}

// The pumping test from the shipped scenario: the fit is printed, its report and picture
// written, and everything after it takes the fitted values; what cannot be fitted is said.
TEST(BatchCommand, FitsThePumpingTest)
{
    TemporaryFolder folder;
    const std::string scenario = DRAWFIELD_SOURCE_DIR "/resources/pumping-test/oude-korendijk.ini";
    BatchRun run = runBatch(folder,
        quoted(scenario) + " --fit T,S --fit-report " + quoted(folder / "fit.csv")
            + " --fit-picture " + quoted(folder / "fit.svg") + " --smoothing 0.35 --write-scenario "
            + quoted(folder / "fitted.ini") + " --record " + quoted(folder / "fitted.dat")
            + " --report " + quoted(folder / "fit.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("T = 0.0053544 m2/s"), std::string::npos) << run.out;
    // The report says which values the fit gave, with their intervals, and the readings' files.
    ASSERT_EQ(
        std::system(
            ("pdftotext " + quoted(folder / "fit.pdf") + " " + quoted(folder / "fit.txt")).c_str()),
        0);
    std::string report;
    for (char c : readBytes(folder / "fit.txt"))
        if (!(c == ' ' || c == '\n') || (!report.empty() && report.back() != ' '))
            report.push_back(c == '\n' ? ' ' : c);
    for (const char* part : { "0.00535435 m²/s, fitted (95", "0.0051 to 0.00563 m²/s)",
             "0.0177878 %, fitted (95 %: 0.0147 to 0.0215 %)", "r = 30 m (obs_r30m.csv)",
             "r = 90 m (obs_r90m.csv)" })
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
    EXPECT_NE(run.out.find("RMSE 0.05006 m over 69 readings"), std::string::npos) << run.out;
    EXPECT_TRUE(readBytes(folder / "fit.csv").starts_with("parameter,estimate,standard_error"));
    EXPECT_NE(readBytes(folder / "fit.svg").find("Cooper-Jacob"), std::string::npos);
    EXPECT_NE(readBytes(folder / "fit.svg").find("(L = 0.35)"), std::string::npos);
    // The scenario written elsewhere keeps its comments, still reads the published readings, and
    // runs again to the fitted run's drawdowns, to the bit.
    const std::string fitted = readBytes(folder / "fitted.ini");
    EXPECT_TRUE(fitted.starts_with("# A published pumping test: Oude Korendijk")) << fitted;
    EXPECT_NE(fitted.find("rate = 32.8333     # m3/h, 788 m3/d\n"), std::string::npos) << fitted;
    BatchRun again = runBatch(folder,
        quoted(folder / "fitted.ini") + " --fit T,S --record " + quoted(folder / "again.dat"));
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("fit of 69 readings at 2 points"), std::string::npos) << again.out;
    BatchRun rerun = runBatch(
        folder, quoted(folder / "fitted.ini") + " --record " + quoted(folder / "re.dat"));
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_TRUE(readBytes(folder / "re.dat") == readBytes(folder / "fitted.dat"));

    struct Case {
        const char* name;
        std::string arguments;
        int status;
        std::string said;
    };
    const Case cases[] = {
        { "a report without a fit", "--fit-report " + quoted(folder / "x.csv"), 2,
            "--fit-report goes with --fit" },
        { "an unknown parameter", "--fit T,K", 2,
            "--fit: the parameters to fit are T, S, B, Sy, Kd, skin and C" },
        { "no readings", "--fit T", 1, "No fit was made: the scenario has no measured drawdowns" },
        { "a smoothing beyond its range", quoted(scenario) + " --fit T --smoothing 5", 2,
            "--smoothing needs Bourdet's L in log cycles of time, from 0.01 to 2, not \"5\"" },
        { "a fit picture that is no picture",
            quoted(scenario) + " --fit T --fit-picture " + quoted(folder / "fit.gif"), 2,
            "--fit-picture needs a name ending in .wmf, .svg, .pdf or .png" },
        // With T held two decades off, S runs to 1e-151: no aquifer has it, and nothing takes it.
        { "S alone runs away",
            quoted(scenario) + " --fit S --write-scenario " + quoted(folder / "runaway.ini"), 1,
            "The fit left the range of S: it ran to 1.7254e-151, below 1e-12" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRun refused = runBatch(folder, c.arguments);
        EXPECT_EQ(refused.status, c.status);
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
    }
}

// --uncertainty: the fit's draws give the GeoTIFF its percentile bands and a chance band (each
// map's of --time), the curves each point's percentiles, the summary and the report each bore's
// and point's band.
TEST(BatchCommand, TheMapsUncertaintyAfterAFit)
{
    TemporaryFolder folder;
    const std::string scenario = DRAWFIELD_SOURCE_DIR "/resources/pumping-test/oude-korendijk.ini";
    const BatchRun run = runBatch(folder,
        quoted(scenario) + " --fit T,S --uncertainty 200 --exceedance 1 --geotiff "
            + quoted(folder / "u.tif") + " --curves " + quoted(folder / "c.csv") + " --report "
            + quoted(folder / "r.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("The drawdown's 90 % band from 200 parameter sets"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nr = 90 m: 90 % band 0.8"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nBore 1: 90 % band 2."), std::string::npos) << run.out;
    EXPECT_TRUE(readBytes(folder / "c.csv")
                    .starts_with("hours,r = 30 m,r = 30 m p05,r = 30 m p50,r = 30 m p95,r = 90 m,"))
        << readBytes(folder / "c.csv").substr(0, 200);
    ASSERT_EQ(std::system(("gdalinfo " + quoted(folder / "u.tif") + " > " + quoted(folder / "u.txt")
                  + " 2>&1")
                              .c_str()),
        0);
    const std::string info = readBytes(folder / "u.txt");
    for (const char* band : { "Band 5 ", "Description = 5th percentile of drawdown at 846 min",
             "Description = 95th percentile", "chance that the drawdown passes 1 m at 846 min" })
        EXPECT_NE(info.find(band), std::string::npos) << band << "\n" << info;
    ASSERT_EQ(
        std::system(
            ("pdftotext " + quoted(folder / "r.pdf") + " " + quoted(folder / "r.txt")).c_str()),
        0);
    EXPECT_NE(readBytes(folder / "r.txt").find("90 % band"), std::string::npos);

    // With --time, each map's percentiles follow it, at its time, from the same draws.
    const BatchRun timed = runBatch(folder,
        quoted(scenario) + " --fit T,S --uncertainty 50 --time 2,10 --geotiff "
            + quoted(folder / "t.tif"));
    ASSERT_EQ(timed.status, 0) << timed.err;
    ASSERT_EQ(std::system(("gdalinfo " + quoted(folder / "t.tif") + " > " + quoted(folder / "t.txt")
                  + " 2>&1")
                              .c_str()),
        0);
    const std::string timedInfo = readBytes(folder / "t.txt");
    std::size_t from = 0;
    for (const char* band :
        { "Band 1 ", "drawdown at 2 h", "Band 2 ", "5th percentile of drawdown at 2 h", "Band 4 ",
            "95th percentile of drawdown at 2 h", "Band 5 ", "drawdown at 10 h", "Band 8 ",
            "95th percentile of drawdown at 10 h (50 draws from the fit)" }) {
        from = timedInfo.find(band, from);
        ASSERT_NE(from, std::string::npos) << band << "\n" << timedInfo;
    }

    const struct {
        const char* name;
        std::string arguments;
        int status;
        const char* said;
    } cases[] = {
        { "too few draws", quoted(scenario) + " --fit T,S --uncertainty 5", 2,
            "--uncertainty needs a whole number of draws from 20 to 100000, not \"5\"" },
        { "no fit", quoted(scenario) + " --uncertainty 100", 2, "--uncertainty goes with --fit" },
        { "a level without draws", quoted(scenario) + " --fit T,S --exceedance 1", 2,
            "--exceedance goes with --uncertainty" },
        { "a level that is none", quoted(scenario) + " --fit T,S --uncertainty 20 --exceedance x",
            2, "--exceedance" },
        { "more than memory takes", quoted(scenario) + " --fit T,S --uncertainty 100000", 1,
            "ask fewer draws or a coarser map" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun refused = runBatch(folder, c.arguments);
        EXPECT_EQ(refused.status, c.status);
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
    }
}

// A pumping test read on into its recovery: the report's map and drawdowns are those of the end
// of pumping, and it says so.
TEST(BatchCommand, ATestReportShowsTheEndOfPumping)
{
    TemporaryFolder folder;
    writeBytes(folder / "test.ini",
        "[aquifer]\ntransmissivity = 0.004\nstorage = 2\npumping_time = 4\nmethod = theis\n"
        "[bore1]\nx = 40\ny = 40\nrate = 7.5\nschedule = 2:0\n[observation1]\nname = P1\nx = "
        "70\ny = 40\nmeasured = p1.csv\n");
    writeBytes(folder / "p1.csv", "time_h,drawdown_m\n0.5,0.05\n1,0.08\n2,0.11\n3,0.03\n4,0.02\n");
    BatchRun run = runBatch(
        folder, quoted(folder / "test.ini") + " --report " + quoted(folder / "test.pdf"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string text = (folder / "text.txt").string();
    ASSERT_EQ(
        std::system(("pdftotext " + quoted(folder / "test.pdf") + " '" + text + "'").c_str()), 0);
    const std::string page = readBytes(text);
    EXPECT_NE(page.find("are those of the end of pumping, at 2 h; the readings go on to 4 h"),
        std::string::npos)
        << page;
    EXPECT_NE(page.find("Drawdown at 2 h (m)"), std::string::npos) << page;
}

// No output replaces another or a file the run reads, however the paths are spelt or linked: the
// command is refused before anything is written, naming both, and the files stay as they were.
TEST(BatchCommand, OutputsNeverReplaceInputsOrEachOther)
{
    TemporaryFolder folder;
    const std::filesystem::path shipped = DRAWFIELD_SOURCE_DIR "/resources/pumping-test";
    for (const char* name : { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" })
        std::filesystem::copy_file(shipped / name, folder / name);
    std::filesystem::create_symlink("later.png", folder / "dangling.png");
    std::filesystem::create_symlink("obs_r90m.csv", folder / "readings-link.csv");
    const std::string scenario = quoted(folder / "oude-korendijk.ini");
    struct Case {
        const char* name;
        std::string arguments;
        std::string said;
    };
    const Case cases[] = {
        { "two outputs meeting through a link to nothing yet",
            "--map " + quoted(folder / "dangling.png") + " --surface "
                + quoted(folder / "later.png"),
            "--map and --surface both write" },
        { "the fit report over the readings",
            scenario + " --fit T,S --fit-report " + quoted(folder / "obs_r90m.csv"),
            "--fit-report " + (folder / "obs_r90m.csv").string()
                + " would replace the readings of \"r = 90 m\"" },
        { "a link to the readings", scenario + " --curves " + quoted(folder / "readings-link.csv"),
            "would replace the readings of \"r = 90 m\"" },
        { "the scenario over itself, spelt otherwise",
            scenario + " --write-scenario " + quoted(folder / "." / "oude-korendijk.ini"),
            "would replace the scenario" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRun refused = runBatch(folder, c.arguments);
        EXPECT_EQ(refused.status, 2);
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "later.png"));
        for (const char* name : { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" })
            EXPECT_EQ(readBytes(folder / name), readBytes(shipped / name)) << name;
    }
}

// A scenario on standard input finds its readings from the current folder; one reached through
// a link, beside the file the link leads to.
TEST(BatchCommand, ReadingsAreFoundBesideTheScenarioItself)
{
    TemporaryFolder folder;
    const std::filesystem::path shipped = DRAWFIELD_SOURCE_DIR "/resources/pumping-test";
    std::filesystem::create_directories(folder / "test");
    std::filesystem::create_directories(folder / "links");
    for (const char* name : { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" })
        std::filesystem::copy_file(shipped / name, folder / "test" / name);
    std::filesystem::create_symlink("../test/oude-korendijk.ini", folder / "links" / "ok.ini");
    BatchRun linked = runBatch(folder, quoted(folder / "links" / "ok.ini") + " --fit T,S");
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_NE(linked.out.find("fit of 69 readings"), std::string::npos);
    for (const char* name : { "-", "/dev/stdin" }) {
        SCOPED_TRACE(name);
        const std::string command = "cd " + quoted(folder / "test")
            + " && cat oude-korendijk.ini | '" + DRAWFIELD_BATCH + "' " + name + " --fit T,S > "
            + quoted(folder / "out") + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << readBytes(folder / "out");
        EXPECT_NE(readBytes(folder / "out").find("fit of 69 readings"), std::string::npos);
    }
}

// The animation: as many frames as asked, one palette for all (the GIF's global table, no frame
// has its own), about five seconds in all; the cone grows from the first frame to the last, and
// ImageMagick reads the same number of frames.
TEST(BatchCommand, AnimationOfTheMap)
{
    TemporaryFolder folder;
    const std::filesystem::path gifPath = folder / "cone.gif";
    BatchRun run = runBatch(folder,
        "--animation " + quoted(gifPath) + " --frames 7 --record " + quoted(folder / "r.dat"));
    ASSERT_EQ(run.status, 0) << run.err;
    // A new file, made as the other outputs are: readable by all where the umask allows.
    EXPECT_EQ(std::filesystem::status(gifPath).permissions(),
        std::filesystem::status(folder / "r.dat").permissions());
    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 7);
    ASSERT_NE(gif->SColorMap, nullptr);
    EXPECT_EQ(gif->SColorMap->ColorCount, 256);
    int centiseconds = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        EXPECT_EQ(gif->SavedImages[i].ImageDesc.ColorMap, nullptr) << "frame " << i;
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        centiseconds += control.DelayTime;
    }
    EXPECT_NEAR(centiseconds, 700, 50);
    // At one minute the map is one colour around the bores; at the pumping time a cone spans it.
    auto coloursOf = [&](int frame) {
        const SavedImage& image = gif->SavedImages[frame];
        std::set<int> colours(
            image.RasterBits, image.RasterBits + image.ImageDesc.Width * image.ImageDesc.Height);
        return colours.size();
    };
    EXPECT_GT(coloursOf(6), coloursOf(0) + 5);
    DGifCloseFile(gif, &error);

    const std::filesystem::path listed = folder / "identify.txt";
    ASSERT_EQ(std::system(("identify " + quoted(gifPath) + " > " + quoted(listed)).c_str()), 0);
    const std::string text = readBytes(listed);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7) << text;

    BatchRun refused = runBatch(folder, "--frames 5");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--frames goes with --animation"), std::string::npos);
    refused = runBatch(folder, "--animation " + quoted(folder / "a.png"));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--animation needs a name ending in .gif"), std::string::npos);
}

// Pictures and GIS files are written by modules loaded only when one is asked for: a run writing a
// record file loads neither Qt's GUI nor GDAL. Without its module an output fails with a reason,
// and the others are still written.
TEST(BatchCommand, ModulesAreLoadedOnlyWhenAsked)
{
    TemporaryFolder folder;
    writeBytes(folder / "site.ini", Example);
    writeBytes(folder / "placed.ini",
        std::string(Example)
            + "[georeference]\neasting = 500000\nnorthing = 5700000\ncrs = EPSG:25832\n");
    const struct {
        const char* scenario;
        const char* outputs;
        bool qtGui, gdal;
    } cases[] = {
        { "site.ini", "--record r.xyz --grid g.asc --write-scenario s.ini", false, false },
        { "placed.ini", "--record r.xyz --grid g.asc", false, true }, // the grid's .prj
        { "site.ini", "--record r.xyz --map m.svg", true, false },
        { "placed.ini", "--geotiff t.tif", false, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outputs);
        const BatchRun run = runBatch(folder, quoted(folder / c.scenario) + " " + c.outputs,
            "cd " + quoted(folder.path()) + " && LD_DEBUG=files");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("libQt6Gui") != std::string::npos, c.qtGui);
        EXPECT_EQ(run.err.find("libgdal") != std::string::npos, c.gdal);
    }
    const std::filesystem::path alone = folder / "alone" / "drawfield-batch";
    std::filesystem::create_directories(alone.parent_path());
    std::filesystem::copy_file(DRAWFIELD_BATCH, alone);
    const BatchRun run = runBatch(folder,
        quoted(folder / "placed.ini") + " --record " + quoted(folder / "r2.xyz") + " --map "
            + quoted(folder / "m2.svg") + " --geotiff " + quoted(folder / "t2.tif"),
        {}, alone.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("No picture can be written: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("drawfield-batch-pictures.so cannot be loaded"), std::string::npos);
    EXPECT_NE(run.err.find("No GIS file can be written: "), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(folder / "r2.xyz"));
    EXPECT_FALSE(std::filesystem::exists(folder / "m2.svg"));
}
