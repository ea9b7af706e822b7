// Measured drawdowns: the CSV files of a pumping test, their units, and what is refused.

#include "analysis/measurements.h"
#include "scenario/scenario_file.h"
#include "scenario/text_rules.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace drawfield;

TEST(Measurements, UnitsOfTheHeader)
{
    struct Case {
        const char* content;
        std::vector<Reading> readings;
    };
    const Case cases[] = {
        { "time_min,drawdown_m\n0.1,0.04\n2.5,0.3\n", { { 6, 0.04 }, { 150, 0.3 } } },
        { "Hours, Drawdown_ft\r\n\r\n1,10\r\n", { { 3600, 3.048 } } },
        { "drawdown_m,time_s\n0.5,30\n0.7,30\n", { { 30, 0.5 }, { 30, 0.7 } } },
        { "days,drawdown_m\n0,0\n1,-0.01\n", { { 0, 0 }, { 86400, -0.01 } } },
        { "time_d,drawdown_cm\n0.5,12\n", { { 43200, 0.12 } } },
        // A spreadsheet's "CSV UTF-8" starts with a byte-order mark.
        { "\xEF\xBB\xBFtime_min,drawdown_m\n1,0.1\n", { { 60, 0.1 } } },
        // Regions with a decimal comma separate cells by semicolons (or tabs).
        { "time_min;drawdown_m\n1,0;0,149\n2;1e-1\n", { { 60, 0.149 }, { 120, 0.1 } } },
        { "time_min\tdrawdown_m\n1,5\t0,2\n", { { 90, 0.2 } } },
        // What a CSV tool may write: a plus sign, a number that underflows to 0.
        { "time_s,drawdown_m\n+1,1e-400\n", { { 1, 0 } } },
        // A logger's levels: the reading at time 0 (or the last before it) is the level before
        // pumping; up is up for a level, down for a depth to water.
        { "time_min,level_m\n-5,12.50\n0,12.5\n1,12.25\n2,12\n", { { 60, 0.25 }, { 120, 0.5 } } },
        { "time_h;depth_m\n0;3,5\n1;4\n", { { 3600, 0.5 } } },
        { "time_s,level_ft\n0,100\n10,90\n", { { 10, 3.048 } } },
        // Weights, in any column.
        { "weight,time_s,drawdown_m\n2,1,0.1\n0,2,0.2\n", { { 1, 0.1, 2 }, { 2, 0.2, 0 } } },
        { "time_s;drawdown_m;weight\n1;0,1;0,5\n", { { 1, 0.1, 0.5 } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseMeasurements(c.content, "p.csv"), c.readings) << c.content;
}

TEST(Measurements, BadFilesAreRefusedWithTheLine)
{
    struct Case {
        std::string content;
        std::string said; // after "Cannot read the measured drawdowns p.csv"
    };
    const Case cases[] = {
        { "", ": It is empty" },
        { "time_min,drawdown_m\n", ": It holds no reading." },
        { "0.1,0.04\n", " at line 1: The first line must name the columns" },
        { "time_weeks,drawdown_m\n1,2\n", " at line 1: The first line must name" },
        { "time_min,drawdown_mm\n1,2\n", " at line 1: The first line must name" },
        { "time_min,drawdown_m\n1,0.2\n2,O.3\n", " at line 3: The drawdown is not a number" },
        { "time_min,drawdown_m\n1,0.2,7\n", " at line 2: A reading is 2 cells" },
        { "time_min,drawdown_m,weight\n1,0.2\n", " at line 2: A reading is 3 cells" },
        { "time_min,drawdown_m,extra\n1,0.2,1\n", " at line 1: The first line must name" },
        { "time_min,drawdown_m,weight\n1,0.2,-1\n", " at line 2: The weight -1 is none" },
        { "time_min,drawdown_m,weight\n1,0.2,x\n", " at line 2: The weight is not a number" },
        { "time_min,drawdown_m,weight\n1,0.2,0\n", ": Every reading's weight is 0" },
        { "time_min,level_m\n1,12\n", " at line 2: A file of levels needs the level before" },
        { "time_min,level_m\n0,12\n1,11\n0,12\n", " at line 4: A level before pumping" },
        { "time_min,depth_m\n0,3\n1,-9999\n", " at line 3: A drawdown of -10002 m" },
        { "datetime,drawdown_m\n2026-03-04 08:15,0.1\n", " at line 1: Its times are dates" },
        { "time_min,drawdown_m\n1,nan\n", " at line 2: The drawdown is not a number" },
        { "time_min,drawdown_m\n1 2,0.1\n", " at line 2: The time is not a number" },
        { "time_min;drawdown_m\n1.000,5;0,1\n", " at line 2: The time is not a number" },
        // Marks for a missing reading and slips are no drawdowns: refused with their line.
        { "time_min,drawdown_m\n1,0.1\n2,-9999\n", " at line 3: A drawdown of -9999 m" },
        { "time_min,drawdown_m\n1,0.1\n\n2,99999\n", " at line 4: A drawdown of 99999 m" },
        { "time_min,drawdown_m\n1,1e308\n", " at line 2: A drawdown of 1e+308 m" },
        { std::string("\xFF\xFEt\0i\0m\0e\0", 10), ": It is UTF-16 text" },
        // Another kind of file: its bytes are never quoted back.
        { "root:secret:20228:0:99999:7:::\n",
            " at line 1: The first line must name the "
            "columns and their units, such as time_min,"
            "drawdown_m (time in seconds, minutes, hours or "
            "days, or a logger's datetime; drawdown_m, drawdown_ft, drawdown_cm, or a logger's "
            "level_m, level_ft, "
            "depth_m, depth_ft; and a weight if any); it has 1 "
            "column." },
        { "time_min,drawdown_m\n-1,0.2\n", " at line 2: The time -1 min is negative." },
        { "time_min,drawdown_m\n5,0.2\n\n4,0.3\n", " at line 4: The time 4 min comes before" },
        { "time_s,drawdown_m\n" + std::string(MostReadings + 1, '\0'), "" },
    };
    std::string many = "time_s,drawdown_m\n";
    for (std::size_t i = 0; i <= MostReadings; ++i)
        many += std::to_string(i) + ",1\n";
    for (const Case& c : cases) {
        const std::string& content = c.said.empty() ? many : c.content;
        try {
            (void)parseMeasurements(content, "p.csv");
            ADD_FAILURE() << "accepted: " << content.substr(0, 60);
        } catch (const MeasurementFileError& error) {
            const std::string expected = "Cannot read the measured drawdowns p.csv"
                + (c.said.empty() ? std::string(" at line 100002: The file holds more than 100000")
                                  : c.said);
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected)
                << error.what();
        }
    }
}

// A logger's date and time stamps count from the scenario's pumping start: before it, a level
// file's reference; a stamp that is no date, refused with its line.
TEST(Measurements, DateTimesCountFromThePumpingStart)
{
    const std::optional<double> start = dateTimeSecondsOfText("2026-03-04 08:00");
    ASSERT_TRUE(start);
    const std::string content = "Timestamp;Level_m\n2026-03-04 07:55:00;12,50\n"
                                "2026-03-04T08:00:30;12,25\n2026-03-05 08:00;11,5\n";
    EXPECT_EQ(parseMeasurements(content, "p.csv", start),
        (std::vector<Reading> { { 30, 0.25 }, { 86400, 1.0 } }));
    struct Case {
        const char* text;
        double seconds; // from 2026-03-04 08:00; NaN: no date and time
    };
    const double none = std::nan("");
    const Case cases[] = { { "2026-03-04 08:00:00.25", 0.25 }, { "2026-02-28 08:00", -4 * 86400.0 },
        { "2028-02-29 08:00", (365 + 362) * 86400.0 }, { "2026-02-29 08:00", none },
        { "2026-03-04 24:00", none }, { "2026-03-04", none }, { "04.03.2026 08:00", none },
        { "2026-03-04 08:00:61", none }, { "2026-03-04 08:00:00.", none } };
    for (const Case& c : cases) {
        const std::optional<double> seconds = dateTimeSecondsOfText(c.text);
        if (std::isnan(c.seconds))
            EXPECT_FALSE(seconds) << c.text;
        else
            EXPECT_NEAR(seconds.value_or(none) - *start, c.seconds, 1e-6) << c.text;
    }
    try {
        (void)parseMeasurements("datetime,drawdown_m\n4 March,0.1\n", "p.csv", start);
        ADD_FAILURE();
    } catch (const MeasurementFileError& error) {
        EXPECT_NE(std::string(error.what()).find("line 2: The time is not a date and time"),
            std::string::npos)
            << error.what();
    }
}

// Only a small regular file is read, whatever the name leads to, and a refusal says why without
// waiting on it.
TEST(Measurements, OnlySmallRegularFilesAreRead)
{
    TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo.csv").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder.csv");
    writeBytes(folder / "large.csv", "time_min,drawdown_m\n");
    std::filesystem::resize_file(folder / "large.csv", 17u << 20);
    struct Case {
        std::filesystem::path file;
        std::string reason;
    };
    const Case cases[] = {
        { folder / "fifo.csv", "It is not a regular file." },
        { folder / "folder.csv", "It is a folder." },
        { folder / "missing.csv", "No such file or directory." },
        { "/dev/zero", "It is not a regular file." },
        { "/proc/self/status", "It is not a regular file but one of the system's" },
        { folder / "large.csv", "It is larger than 16 MB" },
    };
    for (const Case& c : cases) {
        try {
            (void)readMeasurementFile(c.file);
            ADD_FAILURE() << "read: " << c.file;
        } catch (const MeasurementFileError& error) {
            const std::string expected
                = "Cannot read the measured drawdowns " + c.file.native() + ": " + c.reason;
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
        }
    }
}

// The scenario's measured files are found from its folder; moved to another folder, the names
// still lead to them.
TEST(Measurements, FoundFromTheScenarioAndKeptWhenItMoves)
{
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "site" / "data");
    writeBytes(folder / "site" / "data" / "pz30.csv", "time_min,drawdown_m\n1,0.23\n");
    writeBytes(folder / "site" / "pumped.csv", "time_h,drawdown_m\n1,2.5\n");
    ScenarioTexts texts;
    texts.bores[0] = { "100", "100", "32.8333" };
    texts.bores[0].radius = "0.2";
    texts.bores[0].measured = "pumped.csv";
    texts.observations[0] = { "Pz 30 m", "130", "100", "data/pz30.csv" };
    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted());
    const std::vector<MeasuredPoint> points = measuredPoints(reading.inputs, folder / "site");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Name, "Pz 30 m");
    EXPECT_EQ(points[0].Readings, (std::vector<Reading> { { 60, 0.23 } }));
    EXPECT_EQ(points[1].Bore, 0);
    EXPECT_EQ(points[1].X, 100.2);
    EXPECT_EQ(points[1].Readings.front().DrawdownMetres, 2.5);

    const ScenarioTexts moved
        = withMeasuredNamesMoved(texts, folder / "site", folder / "elsewhere");
    EXPECT_EQ(moved.observations[0].measured, "../site/data/pz30.csv");
    EXPECT_EQ(moved.bores[0].measured, "../site/pumped.csv");
    EXPECT_EQ(measuredPoints(readScenario(moved).inputs, folder / "elsewhere")[0].Readings,
        points[0].Readings);
    // Links in either folder are followed: the names lead to the same files.
    std::filesystem::create_directory_symlink(folder / "site", folder / "link");
    EXPECT_EQ(withMeasuredNamesMoved(texts, folder / "link", folder / "elsewhere")
                  .observations[0]
                  .measured,
        "../site/data/pz30.csv");
    texts.observations[0].measured = "missing.csv";
    EXPECT_THROW(
        (void)measuredPoints(readScenario(texts).inputs, folder / "site"), MeasurementFileError);
    // A bore that never pumps is an observation well: its readings are read (a missing file is
    // said), at its centre, as no bore's own.
    texts.observations[0] = {};
    texts.bores[1] = { "150", "100", "0" };
    texts.bores[1].measured = "missing.csv";
    EXPECT_THROW(
        (void)measuredPoints(readScenario(texts).inputs, folder / "site"), MeasurementFileError);
    texts.bores[1].measured = "data/pz30.csv";
    const std::vector<MeasuredPoint> idle
        = measuredPoints(readScenario(texts).inputs, folder / "site");
    ASSERT_EQ(idle.size(), 2u);
    EXPECT_EQ(idle[1].Name, "Bore 2");
    EXPECT_EQ(idle[1].Bore, -1);
    EXPECT_EQ(idle[1].X, 150.0);
}
