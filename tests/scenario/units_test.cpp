// Units: each word against the factors of NIST's tables (SP 811, appendix B), values with units
// giving the same map as the program's own units, refusals with the line, and the warnings for
// values no aquifer has.

#include "compute/engine/drawdown_engine.h"
#include "scenario/plausibility.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"
#include "scenario/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace drawfield;

namespace {

// NIST: 1 ft = 0.3048 m; 1 US survey ft = 1200/3937 m; 1 US gallon = 3.785411784e-3 m3;
// 1 d = 86400 s; a year of 365.25 d (Julian).
constexpr double Foot = 0.3048, Gallon = 3.785411784e-3, Day = 86400.0;

} // namespace

TEST(Units, EveryWordAgainstNist)
{
    struct Case {
        Quantity quantity;
        const char* word;
        double si; // the SI value of 1 of the unit
    };
    const Case cases[] = {
        { Quantity::Transmissivity, "m2/s", 1.0 },
        { Quantity::Transmissivity, "m2/d", 1.0 / Day },
        { Quantity::Transmissivity, "m²/d", 1.0 / Day },
        { Quantity::Transmissivity, "m^2/day", 1.0 / Day },
        { Quantity::Transmissivity, "m2/h", 1.0 / 3600.0 },
        { Quantity::Transmissivity, "cm2/s", 1e-4 },
        { Quantity::Transmissivity, "ft2/d", Foot * Foot / Day },
        { Quantity::Transmissivity, "ft²/day", Foot * Foot / Day },
        { Quantity::Transmissivity, "gpd/ft", Gallon / Day / Foot },
        { Quantity::Rate, "m3/s", 1.0 },
        { Quantity::Rate, "m3/h", 1.0 / 3600.0 },
        { Quantity::Rate, "m³/h", 1.0 / 3600.0 },
        { Quantity::Rate, "m3/d", 1.0 / Day },
        { Quantity::Rate, "L/s", 1e-3 },
        { Quantity::Rate, "l/s", 1e-3 },
        { Quantity::Rate, "L/min", 1e-3 / 60.0 },
        { Quantity::Rate, "gpm", Gallon / 60.0 },
        { Quantity::Rate, "GPM", Gallon / 60.0 },
        { Quantity::Transmissivity, "GPD/ft", Gallon / Day / Foot },
        { Quantity::Rate, "gal/min", Gallon / 60.0 },
        { Quantity::Rate, "gpd", Gallon / Day },
        { Quantity::Rate, "ft3/s", Foot * Foot * Foot },
        { Quantity::Rate, "cfs", Foot * Foot * Foot },
        { Quantity::Rate, "m3/year", 1.0 / (365.25 * Day) },
        { Quantity::Time, "s", 1.0 },
        { Quantity::Time, "min", 60.0 },
        { Quantity::Time, "h", 3600.0 },
        { Quantity::Time, "d", Day },
        { Quantity::Time, "days", Day },
        { Quantity::Time, "week", 7.0 * Day },
        { Quantity::Time, "year", 365.25 * Day },
        { Quantity::Length, "m", 1.0 },
        { Quantity::Length, "ft", Foot },
        { Quantity::Length, "US survey foot", 1200.0 / 3937.0 },
        { Quantity::Length, "ftUS", 1200.0 / 3937.0 },
        { Quantity::Storage, "%", 0.01 },
        { Quantity::Storage, "fraction", 1.0 },
    };
    for (const Case& c : cases) {
        const std::optional<UnitFactor> factor = unitFactor(c.word, c.quantity);
        ASSERT_TRUE(factor.has_value()) << c.word;
        EXPECT_NEAR(factor->toSI(1.0) / c.si, 1.0, 1e-12) << c.word;
        EXPECT_NEAR(factor->fromSI(factor->toSI(7.5)), 7.5, 7.5e-15) << c.word;
    }
    // The program's own units convert exactly as they always did.
    EXPECT_EQ(unitFactor("h", Quantity::Time)->toSI(24.0), 24.0 * 3600.0);
    EXPECT_EQ(unitFactor("m3/h", Quantity::Rate)->toSI(6.0), 6.0 / 3600.0);
    EXPECT_EQ(unitFactor("%", Quantity::Storage)->toSI(4.0), 4.0 / 100.0);
}

TEST(Units, WordsOfAnotherQuantityAndTheirSplit)
{
    struct Refused {
        Quantity quantity;
        const char* word;
    };
    for (const Refused& r :
        { Refused { Quantity::Transmissivity, "m2" }, { Quantity::Rate, "furlongs" },
            { Quantity::Time, "m" }, { Quantity::Storage, "m" }, { Quantity::Storage, "ppm" },
            { Quantity::Ratio, "m" }, { Quantity::Length, "fortnight" },
            { Quantity::Time, "s since 1970-01-01" }, { Quantity::Rate, "blorp" } })
        EXPECT_FALSE(unitFactor(r.word, r.quantity).has_value()) << r.word;

    struct Split {
        const char *text, *number, *unit;
        bool separated;
    };
    for (const Split& s :
        { Split { "450 m2/d", "450", "m2/d", true }, { " 2e-4 ", "2e-4", "", false },
            { "1E3m", "1E3", "m", false }, { "-1.5e+2 ft", "-1.5e+2", "ft", true },
            { "7S.5", "7", "S.5", false }, { "12,5 m", "12,5", "m", true },
            { "abc", "abc", "", false }, { "&H1F", "&H1F", "", false }, { "4 %", "4", "%", true },
            { "3 m²/d", "3", "m²/d", true } }) {
        const NumberAndUnit split = splitUnit(s.text);
        EXPECT_EQ(split.number, s.number) << s.text;
        EXPECT_EQ(split.unit, s.unit) << s.text;
        if (*s.unit != '\0') {
            EXPECT_EQ(split.separated, s.separated) << s.text;
        }
    }
}

// The same aquifer in m2/d, days, m3/d and a fraction (by words, or by [units]) gives the map of
// the program's own units to 1e-12; a map in feet is refused unless it falls on whole metres.
TEST(Units, TheSameMapInOtherUnits)
{
    ScenarioTexts own = ScenarioTexts::example();
    own.transmissivity = "0.003";
    own.storage = "0.02"; // %
    own.pumpTime = "36";
    own.bores[0].rate = "6";
    own.bores[0].schedule = "12:2";
    own.bores[1].radius = "0.2";
    own.thickness = "20";
    own.unconfined = "yes";

    ScenarioTexts words = own;
    words.transmissivity = "259.2 m2/d";
    words.storage = "2e-4 fraction";
    words.pumpTime = "1.5 d";
    words.bores[0].rate = "144 m3/d";
    words.bores[1].rate = "96 m3/d";
    words.bores[1].radius = "20 cm";
    words.thickness = "2000 cm";
    words.units.time = "d";
    words.units.rate = "m3/d";
    words.bores[0].schedule = "0.5:48";

    ScenarioTexts chosen = own;
    chosen.units = { "m", "m2/d", "fraction", "d", "m3/d" };
    chosen.transmissivity = "259.2";
    chosen.storage = "2e-4";
    chosen.pumpTime = "1.5";
    chosen.bores[0].rate = "144";
    chosen.bores[1].rate = "96";
    chosen.bores[0].schedule = "0.5:48";

    const ScenarioReading reference = readScenario(own);
    ASSERT_TRUE(reference.accepted()) << reference.refusals.front();
    const DrawdownResult expected = *computeDrawdown(reference.inputs);
    for (const ScenarioTexts* texts : { &words, &chosen }) {
        const ScenarioReading reading = readScenario(*texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        EXPECT_EQ(reading.warnings, reference.warnings);
        const DrawdownResult result = *computeDrawdown(reading.inputs);
        for (int x = 1; x <= 100; x += 3)
            for (int y = 1; y <= 100; y += 3)
                EXPECT_NEAR(result.grid->at(x, y), expected.grid->at(x, y),
                    1e-12 * std::fabs(expected.grid->at(x, y)))
                    << x << ", " << y;
        EXPECT_NEAR(
            result.largest.drawdown, expected.largest.drawdown, 1e-12 * expected.largest.drawdown);
    }

    ScenarioTexts feet = own;
    feet.xMax = "1250 ft"; // 381 m
    feet.bores[1].x = "1250 ft";
    const ScenarioReading inFeet = readScenario(feet);
    ASSERT_TRUE(inFeet.accepted()) << inFeet.refusals.front();
    EXPECT_EQ(inFeet.inputs.XMax, 381);
    EXPECT_EQ(inFeet.inputs.Wells[1].X, 381);
    feet.xMax = "100 ft";
    const ScenarioReading off = readScenario(feet);
    ASSERT_EQ(off.refusals.size(), 1u);
    EXPECT_EQ(off.refusals[0],
        "X and Y maximum \"100 ft\" is 30.48 m; the map's nodes lie on whole metres: give it as "
        "a whole number of metres (such as 30 m).");
}

// In a file, a word that is not of its key's quantity is refused with the file, the line, the
// key, the word and the units the key takes; an unknown [units] word likewise. In the window's
// texts, the field's label names it.
TEST(Units, RefusedWithTheLine)
{
    struct Case {
        const char* line;
        const char* said;
    };
    const Case cases[] = {
        { "transmissivity = 450 m2",
            "s.ini at line 3: Transmissivity \"450 m2\": \"m2\" is not a unit of transmissivity; "
            "it takes m2/s, m2/d, m2/h, cm2/s, ft2/d, gpd/ft." },
        { "pumping_time = 30 m",
            "s.ini at line 3: Pumping_time \"30 m\": \"m\" is not a unit of time" },
        { "storage = 2e-4 m", "\"m\" is not a unit of storage; it takes %, fraction." },
        { "leakage_factor = 300 gpm", "\"gpm\" is not a unit of length" },
        // A unit after what is no whole number: never read as the number's leading part.
        { "thickness = 1,5 ft",
            "Thickness \"1,5 ft\" must be a number such as 12.5 followed by its unit; \"1,5 ft\" "
            "is not." },
    };
    for (const Case& c : cases) {
        const std::string file = std::string("[map]\n[aquifer]\n") + c.line + "\n";
        try {
            (void)parseScenarioFile(file, "s.ini");
            ADD_FAILURE() << c.line << " was read";
        } catch (const ScenarioFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.said), std::string::npos) << error.what();
        }
    }
    try {
        (void)parseScenarioFile("[units]\nrate = furlongs\n", "s.ini");
        ADD_FAILURE() << "[units] rate = furlongs was read";
    } catch (const ScenarioFileError& error) {
        EXPECT_NE(
            std::string(error.what())
                .find("line 2: Unknown unit \"furlongs\" for rate in [units]; rate takes m3/s"),
            std::string::npos)
            << error.what();
    }
    ScenarioTexts texts = ScenarioTexts::example();
    texts.bores[1].rate = "6 furlongs";
    texts.units.transmissivity = "m2";
    const ScenarioReading reading = readScenario(texts);
    ASSERT_EQ(reading.refusals.size(), 2u);
    EXPECT_EQ(reading.refusals[0],
        "Units, transmissivity: \"m2\" is not a unit of transmissivity; it takes m2/s, m2/d, "
        "m2/h, cm2/s, ft2/d, gpd/ft.");
    EXPECT_EQ(reading.refusals[1],
        "Bore 2, Pumping rate (m3/h): \"furlongs\" is not a unit of rate; it takes m3/s, m3/h, "
        "m3/d, L/s, L/min, gpm, gpd, ft3/s (cfs).");
}

TEST(Units, ValuesNoAquiferHasAreWarnedAbout)
{
    struct Case {
        const char *transmissivity, *storage, *pumpTime, *rate;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        { "0.003", "4", "24", "6", {} }, // the example, in the program's own units
        { "450", "4", "24", "6",
            { "Transmissivity 450 m2/s is more than any aquifer transmits (above 1 m2/s); 450 "
              "m2/d would be 0.0052 m2/s." } },
        { "450 m2/d", "2e-4 fraction", "30 d", "176 gpm", {} },
        { "1e-5 m2/d", "4", "24", "6",
            { "Transmissivity 1e-5 m2/d is less than any aquifer transmits (below 1e-7 m2/s); "
              "perhaps 1e-5 m2/s was meant." } },
        // No other unit makes it a value an aquifer has: no reading is offered.
        { "1e-12", "4", "24", "6",
            { "Transmissivity 1e-12 m2/s is less than any aquifer transmits (below 1e-7 "
              "m2/s)." } },
        { "0.003", "40", "24", "6",
            { "Storage coefficient 40 % is more than any aquifer stores (above 0.35)." } },
        { "0.003", "1e-5", "24", "6",
            { "Storage coefficient 1e-5 % is less than any aquifer stores (below 1e-6); 1e-5 "
              "fraction would be 0.001 %." } },
        { "0.003", "0.2 fraction", "24", "6",
            { "Storage coefficient 0.2 fraction looks like the specific yield of an unconfined "
              "aquifer (above 0.01), but Cooper-Jacob is for a confined one." } },
        { "0.003", "4", "24", "6000",
            { "Bore 1, pumping rate 6000 m3/h is more than a bore pumps (above 5000 m3/h); 6000 "
              "m3/d would be 250 m3/h." } },
        { "0.003", "4", "500000", "6",
            { "Pumping time 500000 h is more than 50 years; 500000 min would be 8300 h." } },
    };
    for (const Case& c : cases) {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.transmissivity = c.transmissivity;
        texts.storage = c.storage;
        texts.pumpTime = c.pumpTime;
        texts.bores[0].rate = c.rate;
        const ScenarioReading reading = readScenario(texts);
        ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
        EXPECT_EQ(plausibilityWarnings(texts, reading.inputs), c.warnings) << c.transmissivity;
    }
}

// The shipped examples in field units read as their comments say, without a warning.
TEST(Units, ShippedExamplesInFieldUnits)
{
    const ScenarioReading metric
        = readScenario(readScenarioFile(DRAWFIELD_SOURCE_DIR "/resources/metric-field.ini"));
    ASSERT_TRUE(metric.accepted()) << metric.refusals.front();
    EXPECT_TRUE(metric.warnings.empty());
    EXPECT_NEAR(metric.inputs.Transmissivity, 450.0 / Day, 1e-18);
    EXPECT_EQ(metric.inputs.Storage, 2e-4);
    EXPECT_EQ(metric.inputs.PumpTimeSeconds, 30.0 * Day);
    EXPECT_NEAR(metric.inputs.Wells[0].Rate, 1200.0 / Day, 1e-18);
    EXPECT_NEAR(metric.inputs.Wells[1].Rate, 0.015, 1e-15);

    const ScenarioReading us
        = readScenario(readScenarioFile(DRAWFIELD_SOURCE_DIR "/resources/us-units.ini"));
    ASSERT_TRUE(us.accepted()) << us.refusals.front();
    EXPECT_TRUE(us.warnings.empty());
    EXPECT_NEAR(us.inputs.Transmissivity, 4800.0 * Foot * Foot / Day, 1e-15);
    EXPECT_NEAR(us.inputs.Thickness, 80.0 * Foot, 1e-12);
    EXPECT_NEAR(us.inputs.Wells[0].Rate, 350.0 * Gallon / 60.0, 1e-15);
    EXPECT_NEAR(us.inputs.Wells[0].RadiusMetres, 0.5 * Foot, 1e-15);
    EXPECT_EQ(us.inputs.XMax, 300);
}

// A site's easting typed as a map coordinate: refused, saying where site coordinates go.
TEST(Units, SiteCoordinatesInTheLocalFrameAreRefusedWithTheWay)
{
    ScenarioTexts texts = ScenarioTexts::example();
    texts.bores[0].x = "512345";
    texts.xMax = "5712345";
    const ScenarioReading reading = readScenario(texts);
    ASSERT_EQ(reading.refusals.size(), 2u);
    for (const std::string& refusal : reading.refusals)
        EXPECT_NE(refusal.find(
                      "Write [map] coordinates = crs, or place the local map's point (0, 0) with "
                      "[georeference]."),
            std::string::npos)
            << refusal;
    texts = ScenarioTexts::example();
    texts.bores[0].x = "40000";
    const ScenarioReading near = readScenario(texts);
    ASSERT_EQ(near.refusals.size(), 1u);
    EXPECT_EQ(near.refusals[0].find("[georeference]"), std::string::npos) << near.refusals[0];
}
