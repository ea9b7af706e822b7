#include "compute/messages.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace drawfield;

namespace {

const std::string LargeX = messages::LargeXSize;
const std::string LargeY = messages::LargeYSize;
const std::string Outside = messages::PumpingOutsideOfMap;
const std::string NoRate = messages::NoPumpingRate;

} // namespace

TEST(ReadScenario, ExampleInComputationUnits)
{
    ScenarioReading reading = readScenario(ScenarioTexts::example());
    ASSERT_TRUE(reading.accepted());
    EXPECT_TRUE(reading.warnings.empty());
    const ScenarioInputs& in = reading.inputs;
    EXPECT_EQ(in.XMin, 1);
    EXPECT_EQ(in.YMin, 1);
    EXPECT_EQ(in.XMax, 100);
    EXPECT_EQ(in.YMax, 100);
    EXPECT_EQ(in.Step, 1);
    EXPECT_EQ(in.Transmissivity, 0.003);
    EXPECT_EQ(in.Storage, 4.0 / 100.0);
    EXPECT_EQ(in.PumpTimeSeconds, 24.0 * 3600.0);
    EXPECT_EQ(in.Thickness, 20.0);
    EXPECT_EQ(in.Wells[0].X, 30);
    EXPECT_EQ(in.Wells[0].Y, 30);
    EXPECT_EQ(in.Wells[0].Rate, 6.0 / 3600.0);
    EXPECT_EQ(in.Wells[1].X, 60);
    EXPECT_EQ(in.Wells[1].Rate, 4.0 / 3600.0);
    EXPECT_EQ(in.Wells[2].Rate, 0.0);
}

// Warnings come in the fields' order; they never stop a run.
TEST(ReadScenario, Warnings)
{
    struct Case {
        const char* name;
        std::function<void(ScenarioTexts&)> edit;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        { "map of 500 m", [](ScenarioTexts& t) { t.xMax = "500"; }, {} },
        { "map of 501 m", [](ScenarioTexts& t) { t.xMax = "501"; }, { LargeX } },
        { "map of 6000 m", [](ScenarioTexts& t) { t.xMax = "6000"; }, { LargeX, LargeY } },
        { "well on the map's corner",
            [](ScenarioTexts& t) {
                t.bores[0] = { "1", "100", "6" };
            },
            {} },
        { "well left of the map", [](ScenarioTexts& t) { t.bores[0].x = "0"; }, { Outside } },
        { "well outside on both axes",
            [](ScenarioTexts& t) {
                t.bores[1] = { "0", "101", "4" };
            },
            { Outside, Outside } },
        { "check stops at the first row without a rate",
            [](ScenarioTexts& t) {
                t.bores[1] = { "", "", "" };
                t.bores[2] = { "500", "500", "3" };
            },
            {} },
        { "large map, then well outside",
            [](ScenarioTexts& t) {
                t.xMax = "6000";
                t.bores[1].x = "7000";
            },
            { LargeX, LargeY, Outside } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScenarioTexts texts = ScenarioTexts::example();
        c.edit(texts);
        ScenarioReading reading = readScenario(texts);
        EXPECT_TRUE(reading.accepted());
        EXPECT_EQ(reading.warnings, c.warnings);
    }
}

TEST(ReadScenario, TextsReadByTheNumberRules)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.cellSize = "2.5";
    texts.bores[0] = { "12.5", "13.5", "36" };
    texts.bores[1] = { "1e2", "12,5", "4" };
    texts.xMax = "12,5e1"; // 12
    ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted());
    const ScenarioInputs& in = reading.inputs;
    EXPECT_EQ(in.Step, 2);
    EXPECT_EQ(in.Wells[0].X, 12);
    EXPECT_EQ(in.Wells[0].Y, 14);
    EXPECT_EQ(in.Wells[0].Rate, 0.01);
    EXPECT_EQ(in.Wells[1].X, 100);
    EXPECT_EQ(in.Wells[1].Y, 12);
    EXPECT_EQ(in.XMax, 12);

    for (const char* cellSize : { "0", "", "abc" }) {
        texts.cellSize = cellSize;
        EXPECT_EQ(readScenario(texts).inputs.Step, 1) << "cell size \"" << cellSize << "\"";
    }
}

TEST(ReadScenario, RowAfterAnEmptyRowStillPumps)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.bores[1] = {};
    texts.bores[2] = { "90", "10", "7.2" };
    ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted());
    EXPECT_EQ(reading.inputs.Wells[1].Rate, 0.0);
    EXPECT_EQ(reading.inputs.Wells[2].X, 90);
    EXPECT_EQ(reading.inputs.Wells[2].Rate, 7.2 / 3600.0);
}

// Every reason not to compute is a refusal naming the field and what it accepts.
TEST(ReadScenario, Refusals)
{
    struct Case {
        const char* name;
        std::function<void(ScenarioTexts&)> edit;
        std::vector<std::string> refusalsStartWith;
        std::vector<std::string> warnings = {};
    };
    const Case cases[] = {
        { "map maximum beyond 16 bits", [](ScenarioTexts& t) { t.xMax = "40000"; },
            { "X and Y maximum must be a whole number of metres from 1 to 32767; \"40000\" is "
              "outside that range." } },
        { "X minimum beyond 16 bits", [](ScenarioTexts& t) { t.xMin = "-32769"; },
            { "X minimum must be a whole number of metres from -32768 to 32767" } },
        { "maximum below the minimum is one refusal", [](ScenarioTexts& t) { t.xMax = "0"; },
            { "X and Y maximum must be a whole number of metres from 1 to 32767; \"0\" is below "
              "that." } },
        { "empty maximum is one refusal", [](ScenarioTexts& t) { t.xMax = ""; },
            { "X and Y maximum must be a whole number of metres from 1 to 32767; \"\" is below "
              "that." } },
        { "maximum below the Y minimum only", [](ScenarioTexts& t) { t.yMin = "200"; },
            { "X and Y maximum must be a whole number of metres from 200 to 32767; \"100\"" } },
        { "overlong value is quoted short",
            [](ScenarioTexts& t) { t.xMax = "9" + std::string(5'000'000, '9'); },
            { "X and Y maximum must be a whole number of metres from 1 to 32767; "
              "\"9999999999999999999999999999999999999999\"... is outside that range." } },
        { "control bytes are escaped",
            [](ScenarioTexts& t) { t.transmissivity = std::string("0\0x\n", 4); },
            { "Transmissivity (m2/s) must be greater than 0; \"0\\x00x\\n\" reads as 0." } },
        { "negative cell size", [](ScenarioTexts& t) { t.cellSize = "-5"; },
            { "Cell size must be a whole number of metres from 1 to 32767; \"-5\"" } },
        { "well far outside 16 bits", [](ScenarioTexts& t) { t.bores[1].x = "99999"; },
            { "Bore 2, X well must be a whole number of metres from -32768 to 32767; \"99999\"" } },
        { "negative rate", [](ScenarioTexts& t) { t.bores[1].rate = "-4"; },
            { "Bore 2, Pumping rate (m3/h) cannot be negative" } },
        { "zero transmissivity", [](ScenarioTexts& t) { t.transmissivity = "0"; },
            { "Transmissivity (m2/s) must be greater than 0; \"0\" reads as 0." } },
        { "empty storage", [](ScenarioTexts& t) { t.storage = ""; },
            { "S Coefficient of storage (%) must be greater than 0; \"\" reads as 0." } },
        { "zero pumping time", [](ScenarioTexts& t) { t.pumpTime = "0.0"; },
            { "Pumping time (hours) must be greater than 0" } },
        { "a pumping start that is no date", [](ScenarioTexts& t) { t.pumpingStart = "4 March"; },
            { "Pumping start must be a date and time such as 2026-03-04 08:00; \"4 March\"" } },
        { "neuman without a specific yield", [](ScenarioTexts& t) { t.method = "neuman"; },
            { "Specific yield must be given for Neuman (delayed yield)" } },
        { "hantush without a leakage factor", [](ScenarioTexts& t) { t.method = "hantush"; },
            { "Leakage factor must be given for Hantush (leaky): B = " } },
        { "a leakage factor out of range",
            [](ScenarioTexts& t) {
                t.method = "Hantush";
                t.aquiferParameters["leakage_factor"] = "0";
            },
            { "Leakage factor must lie from 0.01 to 10000000 m; \"0\" does not." } },
        { "unconfined without a thickness",
            [](ScenarioTexts& t) {
                t.unconfined = "yes";
                t.thickness = "";
            },
            { "Aquifer thickness (m) must be greater than 0 for the unconfined correction; \"\" "
              "reads as 0." } },
        { "a Y maximum below Y minimum",
            [](ScenarioTexts& t) {
                t.yMin = "50";
                t.yMax = "40";
            },
            { "Y maximum must be a whole number of metres from 50 to 32767; \"40\" is below "
              "that." } },
        { "an X maximum below X minimum of a rectangular map",
            [](ScenarioTexts& t) {
                t.xMin = "50";
                t.yMax = "400";
                t.xMax = "1e9";
            },
            { "X maximum must be a whole number of metres from 50 to 32767; \"1e9\" is outside "
              "that range." } },
        { "a negative available drawdown",
            [](ScenarioTexts& t) { t.bores[0].availableDrawdown = "-2"; },
            { "Bore 1, available drawdown must lie from 0.01 to 10000 m; \"-2\" does not." } },
        { "huge number", [](ScenarioTexts& t) { t.thickness = "1e999"; },
            { "Aquifer thickness (m) \"1e999\" is too large a number to compute with." } },
        { "no finite drawdown", [](ScenarioTexts& t) { t.transmissivity = "1e-320"; },
            { "Bore 1: transmissivity, storage coefficient, pumping time and pumping rate give no "
              "finite drawdown" } },
        { "first row without a rate", [](ScenarioTexts& t) { t.bores[0].rate = ""; }, { NoRate } },
        // The fields that came with time and boundaries take a number only when the whole text
        // is one: "7S.5" read by the leading-number rule would put the point at 7.
        { "observation X not a number",
            [](ScenarioTexts& t) {
                t.observations[0] = { "P", "7S.5", "40", "" };
            },
            { "Observation point 1, x must be a number such as 75.5 or -1.5E3; \"7S.5\" is not "
              "one." } },
        { "observation without Y",
            [](ScenarioTexts& t) {
                t.observations[2] = { "P", "40", "", "" };
            },
            { "Observation point 3, y must be a number" } },
        { "boundary point not a number",
            [](ScenarioTexts& t) {
                t.boundaries[0] = { "barrier", "0", "0", "2O", "100" };
            },
            { "Boundary 1, x2 must be a number" } },
        { "boundary without kind",
            [](ScenarioTexts& t) {
                t.boundaries[1] = { "", "0", "0", "0", "1" };
            },
            { "Boundary 2, kind must be barrier or recharge" } },
        { "easting not a number",
            [](ScenarioTexts& t) {
                t.georeference = { "5OOOOO", "0", "EPSG:25832" };
            },
            { "Georeference, easting must be a number" } },
        { "easting beyond ten thousand kilometres",
            [](ScenarioTexts& t) {
                t.georeference = { "2e7", "0", "" };
            },
            { "Georeference, easting must lie from -10000000 to 10000000 m; \"2e7\" does not." } },
        { "profile beyond the coordinates",
            [](ScenarioTexts& t) {
                t.profile = { "0", "0", "1e6", "0" };
            },
            { "Profile, x2 must lie from -32768 to 32767 m" } },
        { "schedule entry not a number", [](ScenarioTexts& t) { t.bores[0].schedule = "12:0x"; },
            { "Bore 1, schedule must be hour:rate pairs such as 12:0, 30:3; \"12:0x\"" } },
        { "schedule longer than a schedule holds",
            [](ScenarioTexts& t) {
                for (int hour = 1; hour <= 301; ++hour)
                    t.bores[1].schedule += std::to_string(hour) + ":1,";
            },
            { "Bore 2, schedule holds more than 300 rate changes" } },
        { "bore radius of 0", [](ScenarioTexts& t) { t.bores[0].radius = "0"; },
            { "Bore 1, radius must lie from 0.001 to 100 m; \"0\" does not." } },
        { "every refusal, in the fields' order",
            [](ScenarioTexts& t) {
                t.xMax = "40000";
                t.storage = "0";
                t.bores[0].rate = "0";
            },
            { "X and Y maximum must", "S Coefficient of storage (%) must", NoRate } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScenarioTexts texts = ScenarioTexts::example();
        c.edit(texts);
        ScenarioReading reading = readScenario(texts);
        EXPECT_EQ(reading.warnings, c.warnings);
        ASSERT_EQ(reading.refusals.size(), c.refusalsStartWith.size());
        for (std::size_t i = 0; i < c.refusalsStartWith.size(); ++i)
            EXPECT_EQ(reading.refusals[i].substr(0, c.refusalsStartWith[i].size()),
                c.refusalsStartWith[i])
                << reading.refusals[i];
    }
}

TEST(ReadScenario, NoPumpingRateIsExactlyTheMessageWithItsTrailingBlank)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.bores[0] = {};
    ScenarioReading reading = readScenario(texts);
    ASSERT_EQ(reading.refusals, std::vector<std::string> { "No pumping rate " });
    EXPECT_TRUE(reading.warnings.empty()) << "the position check stops at the empty first row";
}

TEST(ReadScenario, RowsWithoutRateAreNotChecked)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.bores[3] = { "99999", "abc", "" };
    EXPECT_TRUE(readScenario(texts).accepted());
}
