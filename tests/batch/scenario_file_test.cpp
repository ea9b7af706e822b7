#include "batch/scenario_file.h"
#include "compute/scenario.h"

#include <gtest/gtest.h>

using namespace drawfield;

TEST(ScenarioFile, ShippedExampleIsTheWindowsExample)
{
    EXPECT_TRUE(readScenarioFile(DRAWFIELD_SOURCE_DIR "/resources/example.ini")
        == ScenarioTexts::example());
}

// The shipped example of schedules and boundaries is accepted as it stands.
TEST(ScenarioFile, ShippedTimeAndBoundariesExampleRuns)
{
    const ScenarioTexts texts
        = readScenarioFile(DRAWFIELD_SOURCE_DIR "/resources/time-and-boundaries.ini");
    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    EXPECT_EQ(reading.inputs.Boundaries.size(), 2u);
    EXPECT_EQ(reading.inputs.Observations.size(), 2u);
    EXPECT_EQ(reading.inputs.Schedules[1].size(), 1u);
    EXPECT_TRUE(reading.inputs.ProfileLine.has_value());
}

TEST(ScenarioFile, ValuesAreTheFieldsTexts)
{
    ScenarioTexts texts = parseScenarioFile("\xEF\xBB\xBF; a site\r\n"
                                            "[MAP]\r\n"
                                            "x_max = 12,5\r\n"
                                            "Cell_Size=\"2.5\" # quoted\n"
                                            "[aquifer]\n"
                                            "storage = \" 4 ; 5 \"\n"
                                            "pumping_time =\n"
                                            "[bore3]\n"
                                            "rate = 1e2   # m3/h\n"
                                            "x = -5\n",
        "site.ini");
    ScenarioTexts expected;
    expected.xMax = "12,5";
    expected.cellSize = "2.5";
    expected.storage = " 4 ; 5 ";
    expected.pumpTime = "";
    expected.wells[2] = { "-5", "", "1e2" };
    EXPECT_TRUE(texts == expected)
        << "x_max \"" << texts.xMax << "\", storage \"" << texts.storage << "\"";
}

TEST(ScenarioFile, MethodAndUnconfinedCorrection)
{
    ScenarioTexts texts = parseScenarioFile(
        "[aquifer]\nmethod = Theis\nunconfined = YES\nthickness = 12\n", "s.ini");
    ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.refusals.size() == 1) << "only the example's missing bore";
    EXPECT_EQ(reading.inputs.Method, WellMethod::Theis);
    EXPECT_TRUE(reading.inputs.Unconfined);
    // Left out, the classic run: Cooper-Jacob, confined.
    ScenarioInputs plain = readScenario(ScenarioTexts::example()).inputs;
    EXPECT_EQ(plain.Method, WellMethod::CooperJacob);
    EXPECT_FALSE(plain.Unconfined);
}

TEST(ScenarioFile, SchedulesBoundariesObservationsAndAProfile)
{
    ScenarioTexts texts
        = parseScenarioFile("[bore2]\nschedule = 12:0, 30:3\n"
                            "[Boundary2]\nkind = recharge\nx1 = 0\ny2 = 100\n"
                            "[observation10]\nname = \"Farm well, north\"\nx = 75.5\n"
                            "[profile]\nx1 = 1\ny2 = 100\n",
            "s.ini");
    EXPECT_EQ(texts.schedules[1], "12:0, 30:3");
    EXPECT_EQ(texts.boundaries[1], (BoundaryTexts { "recharge", "0", "", "", "100" }));
    EXPECT_EQ(texts.observations[9], (ObservationTexts { "Farm well, north", "75.5", "" }));
    EXPECT_EQ(texts.profile, (ProfileTexts { "1", "", "", "100" }));
    for (const char* section : { "[boundary3]", "[observation11]", "[observation01]", "[bore0]" })
        EXPECT_THROW(parseScenarioFile(std::string(section) + "\n", "s.ini"), ScenarioFileError)
            << section;
}

TEST(ScenarioFile, ErrorsNameTheFileAndLine)
{
    struct Case {
        const char* content;
        std::string message;
    };
    const std::string at = "Cannot read the scenario file site.ini at line ";
    const Case cases[] = {
        { "[map]\nx_max = 100\n[wells]\n", at + "3: Unknown section \"wells\"" },
        { "[bore6]\n", at + "1: Unknown section \"bore6\"" },
        { "[map]\n\nx_maximum = 100\n", at + "3: Unknown key \"x_maximum\" in [map]." },
        { "[bore1]\nrate 6\n", at + "2: Malformed line; write it as key = value." },
        { "x_max = 100\n", at + "1: \"x_max\" comes before any section." },
        { "[map\n", at + "1: Malformed section line" },
        { "[map]\nx_max = \"100\n", at + "2: The value's closing double quote is missing." },
        { "[map]\nx_max = \"1\" 00\n", at + "2: Unexpected text after the quoted value." },
        { "[map]\nx_max = 1\n[map]\nx_max = 2\n",
            at + "4: \"x_max\" in [map] was already given on line 2." },
        { "[map]\nx_\x01max = 1\n", at + "2: Unknown key \"x_\\x01max\" in [map]." },
        { "[aquifer]\nmethod = exact\n",
            at + "2: Unknown method \"exact\"; write cooper-jacob or theis." },
        { "[aquifer]\nunconfined = true\n", at + "2: Unconfined must be yes or no, not \"true\"." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        try {
            parseScenarioFile(c.content, "site.ini");
            ADD_FAILURE() << "expected ScenarioFileError";
        } catch (const ScenarioFileError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(c.message)) << error.what();
            EXPECT_LT(std::string(error.what()).size(), 300u);
        }
    }
}
