// Measured drawdowns: the CSV files of a pumping test, their units, and what is refused.

#include "compute/measurements.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

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
        { "time_min,drawdown_cm\n1,2\n", " at line 1: The first line must name" },
        { "time_min,drawdown_m\n1,0.2\n2,O.3\n", " at line 3: \"O.3\" is not a number." },
        { "time_min,drawdown_m\n1,0.2,7\n", " at line 2: A reading is two cells" },
        { "time_min,drawdown_m\n1,nan\n", " at line 2: \"nan\" is not a number." },
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

// The scenario's measured files are found from its folder; moved to another folder, the names
// still lead to them.
TEST(Measurements, FoundFromTheScenarioAndKeptWhenItMoves)
{
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "site" / "data");
    writeBytes(folder / "site" / "data" / "pz30.csv", "time_min,drawdown_m\n1,0.23\n");
    writeBytes(folder / "site" / "pumped.csv", "time_h,drawdown_m\n1,2.5\n");
    ScenarioTexts texts;
    texts.wells[0] = { "100", "100", "32.8333" };
    texts.radii[0] = "0.2";
    texts.boreMeasured[0] = "pumped.csv";
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
    EXPECT_EQ(moved.boreMeasured[0], "../site/pumped.csv");
    EXPECT_EQ(measuredPoints(readScenario(moved).inputs, folder / "elsewhere")[0].Readings,
        points[0].Readings);
    texts.observations[0].measured = "missing.csv";
    EXPECT_THROW(
        (void)measuredPoints(readScenario(texts).inputs, folder / "site"), MeasurementFileError);
}
