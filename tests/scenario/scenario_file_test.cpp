#include "compute/observations.h"
#include "compute/verdicts.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"
#include "scenario/scenario_keys.h"

#include "files/atomic_file.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

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

// The real-site example reads as the README says: site coordinates, named bores, its verdicts.
TEST(ScenarioFile, ShippedSiteExampleGivesItsVerdicts)
{
    const ScenarioReading reading
        = readScenario(readScenarioFile(DRAWFIELD_SOURCE_DIR "/resources/site/riverside.ini"));
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    const ScenarioInputs& in = reading.inputs;
    EXPECT_TRUE(in.SiteCoordinates);
    EXPECT_EQ(in.shownX(in.Wells[1].X), 513150.0);
    EXPECT_EQ(in.Wells[2].Name, "PW-3 Orchard");
    const Verdicts verdicts = verdictsOf(in);
    ASSERT_EQ(verdicts.bores.size(), 3u);
    ASSERT_EQ(verdicts.points.size(), 2u);
    EXPECT_FALSE(verdicts.bores[0].runsDry());
    ASSERT_TRUE(verdicts.bores[2].runsDry());
    EXPECT_NEAR(*verdicts.bores[2].drySeconds / 3600, 259.6, 0.05);
    EXPECT_FALSE(verdicts.points[0].passed());
    EXPECT_TRUE(verdicts.points[1].passed());
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
    expected.bores[2] = { "-5", "", "1e2" };
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
    EXPECT_EQ(texts.bores[1].schedule, "12:0, 30:3");
    EXPECT_EQ(texts.boundaries[1], (BoundaryTexts { "recharge", "0", "", "", "100" }));
    EXPECT_EQ(texts.observations[9], (ObservationTexts { "Farm well, north", "75.5", "" }));
    EXPECT_EQ(texts.profile, (ProfileTexts { "1", "", "", "100" }));
    for (const char* section : { "[boundary3]", "[observation1001]", "[observation01]", "[bore0]" })
        EXPECT_THROW(
            (void)parseScenarioFile(std::string(section) + "\n", "s.ini"), ScenarioFileError)
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
        { "[bore1001]\n", at + "1: Unknown section \"bore1001\"" },
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
            at
                + "2: Unknown method \"exact\"; write cooper-jacob, theis, hantush, neuman, "
                  "papadopulos-cooper or partial-penetration." },
        { "[aquifer]\nunconfined = true\n", at + "2: Unconfined must be yes or no, not \"true\"." },
        // Points without a kind would be a boundary the window drops when it saves.
        { "[map]\n\n[boundary2]\nx1 = 0\ny1 = 0\n",
            at + "3: [boundary2] has no kind; write kind = barrier or kind = recharge." },
        // The writer cannot keep a carriage return, so the reader does not take one.
        { "[observation1]\nname = \"a\rb\"\n",
            at + "2: A carriage return inside the value of \"name\"; a value is one line." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        try {
            (void)parseScenarioFile(c.content, "site.ini");
            ADD_FAILURE() << "expected ScenarioFileError";
        } catch (const ScenarioFileError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(c.message)) << error.what();
            EXPECT_LT(std::string(error.what()).size(), 300u);
        }
    }
}

namespace {

// Every text of a scenario, so a test can set each one in turn: the key table's own list, the
// well functions' parameters included.
struct KeyText {
    std::string section;
    std::string_view key;
    std::string* text;
};
std::vector<KeyText> everyText(ScenarioTexts& t)
{
    std::vector<KeyText> all;
    forEachKey(t, [&](const std::string& section, std::string_view key, std::string& text) {
        all.push_back({ section, key, &text });
    });
    return all;
}

} // namespace

// Written and read back, every key keeps its text as typed, however odd: blanks at either end,
// commas, comment characters, quotes (leading, inner, doubled), tabs, non-ASCII bytes, nothing.
// The texts that name a choice (method, unconfined, a boundary's kind, a [units] word) only take
// choices, and a value's unit word is one of its quantity.
TEST(ScenarioFile, WrittenAndReadBackEveryKeyKeepsItsText)
{
    const std::vector<std::string> odd = { "12,5", " 4 ", "a # b", "x;y", "\"quoted\"",
        "say \"hi\"", "\"", "\"\"", "\ttab\t", "Bäche ü", "", "=", "[map]", "1e2 m3/h" };
    const std::size_t count = everyText(*std::make_unique<ScenarioTexts>()).size();
    for (std::size_t k = 0; k < count; ++k)
        for (const std::string& text : odd) {
            ScenarioTexts texts = ScenarioTexts::example();
            const KeyText place = everyText(texts)[k];
            std::string* target = place.text;
            const std::optional<Quantity> quantity = quantityOfKey(place.section, place.key);
            const bool choice = target == &texts.method || target == &texts.unconfined
                || target == &texts.coordinates
                || std::any_of(texts.boundaries.begin(), texts.boundaries.end(),
                    [&](const BoundaryTexts& b) { return target == &b.kind; });
            const std::string word = quantity ? std::string(usualUnit(*quantity)) : "m3/h";
            *target = place.section == "units" ? word
                : !choice                      ? (text == "1e2 m3/h" ? "1e2 " + word : text)
                : target == &texts.unconfined  ? "YES"
                : target == &texts.method      ? "Theis"
                : target == &texts.coordinates ? "CRS"
                                               : "recharge";
            // A boundary's points come with its kind.
            for (BoundaryTexts& boundary : texts.boundaries)
                if (!boundary.isEmpty() && boundary.kind.empty())
                    boundary.kind = "barrier";
            dropEmptyParameters(texts);
            const std::string file = scenarioFileText(texts);
            ScenarioTexts again;
            ASSERT_NO_THROW(again = parseScenarioFile(file, "w.ini")) << file;
            ASSERT_TRUE(again == texts) << "key " << k << ", text \"" << text << "\"\n" << file;
            // Written again, the same bytes: open then save gives the file back.
            ASSERT_EQ(scenarioFileText(again), file);
        }
}

// The window's example writes as the shipped example reads; a text with a line break cannot be
// kept and is refused with the file's name, leaving the old file.
TEST(ScenarioFile, WritingAFile)
{
    TemporaryFolder folder;
    const auto path = folder / "site.ini";
    writeScenarioFile(path, ScenarioTexts::example());
    EXPECT_TRUE(readScenarioFile(path) == ScenarioTexts::example());
    ScenarioTexts broken = ScenarioTexts::example();
    broken.observations[0].name = "two\nlines";
    try {
        writeScenarioFile(path, broken);
        FAIL() << "a line break was written";
    } catch (const FileWriteError& error) {
        EXPECT_EQ(std::string(error.what()),
            "Cannot write the scenario file " + path.string()
                + ": The text of name in [observation1] holds a line break, which a scenario "
                  "file cannot keep.");
    }
    EXPECT_TRUE(readScenarioFile(path) == ScenarioTexts::example());
    EXPECT_THROW((void)parseScenarioFile("[boundary1]\nkind = wall\n", "s.ini"), ScenarioFileError);
    EXPECT_THROW((void)parseScenarioFile("[map]\nx_max = \"a\"\"b\n", "s.ini"), ScenarioFileError);
}

// The map's place: easting and northing of (0, 0), wholly numbers, an EPSG code in any case.
TEST(ScenarioFile, Georeference)
{
    const ScenarioTexts texts = parseScenarioFile("[bore1]\nx = 5\ny = 5\nrate = 1\n"
                                                  "[georeference]\neasting = 500000\n"
                                                  "northing = 5.7e6\ncrs = epsg:25832\n",
        "g.ini");
    ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    ASSERT_TRUE(reading.inputs.Place.has_value());
    EXPECT_EQ(reading.inputs.Place->Easting, 500000.0);
    EXPECT_EQ(reading.inputs.Place->Northing, 5.7e6);
    EXPECT_EQ(reading.inputs.Place->Crs, "EPSG:25832");
    EXPECT_FALSE(readScenario(ScenarioTexts::example()).inputs.Place.has_value());
}

// A file's comments are written back where they stood: its header, the lines above a section or a
// key, a comment after a value; those of a section no longer written go to the end, none lost.
TEST(ScenarioFile, CommentsSurviveBeingWrittenBack)
{
    const std::string content = "# Site: the old mill\n#\n#   two wells\n\n"
                                "[map]\nx_max = 300        # m: the piezometers\n\n"
                                "; the aquifer, from the 1998 test\n[aquifer]   # confined\n"
                                "transmissivity = 0.005\n# in percent!\nstorage = 1\n"
                                "[bore1]\nx = 30\ny = 30\nrate = 6 ; m3/h\n"
                                "[observation2]  # the farm\nname = \"Farm # 2\" # quoted\n"
                                "\n# the end\n";
    ScenarioComments comments;
    ScenarioTexts texts = parseScenarioFile(content, "site.ini", &comments);
    EXPECT_EQ(comments.header,
        (std::vector<std::string> { "# Site: the old mill", "#", "#   two wells" }));
    EXPECT_EQ(comments.atEnd["map.x_max"], "        # m: the piezometers");
    EXPECT_EQ(comments.above["aquifer"],
        (std::vector<std::string> { "; the aquifer, from the 1998 test" }));
    EXPECT_EQ(comments.above["aquifer.storage"], (std::vector<std::string> { "# in percent!" }));
    EXPECT_EQ(comments.after, (std::vector<std::string> { "# the end" }));
    const std::string written = scenarioFileText(texts, comments);
    EXPECT_TRUE(written.starts_with("# Site: the old mill\n#\n#   two wells\n\n[map]\n"))
        << written;
    for (const char* kept : { "x_max = 300        # m: the piezometers\n",
             "; the aquifer, from the 1998 test\n[aquifer]   # confined\n",
             "# in percent!\nstorage = 1\n", "rate = 6 ; m3/h\n",
             "[observation2]  # the farm\nname = \"Farm # 2\" # quoted\n" })
        EXPECT_NE(written.find(kept), std::string::npos) << kept << "\n" << written;
    EXPECT_TRUE(written.ends_with("\n# the end\n")) << written;
    ScenarioComments again;
    EXPECT_TRUE(parseScenarioFile(written, "again.ini", &again) == texts);
    EXPECT_EQ(scenarioFileText(texts, again), written);

    // A section left empty is not written; its comments go to the end.
    texts.observations[1] = {};
    const std::string emptied = scenarioFileText(texts, comments);
    EXPECT_EQ(emptied.find("[observation2]"), std::string::npos);
    EXPECT_NE(emptied.find("# the farm\n# quoted\n# the end\n"), std::string::npos) << emptied;
}

// A site's wells by name, as many as it has: each read, named and written back whole, and their
// drawdowns at a point adding up as Cooper-Jacob's line says (computed here from its formula).
TEST(ScenarioFile, TwoHundredNamedBores)
{
    std::string file = "[map]\nx_min = 1\ny_min = 1\nx_max = 400\ncell_size = 10\n"
                       "[aquifer]\ntransmissivity = 0.01\nstorage = 0.1\npumping_time = 24\n";
    for (int i = 1; i <= 200; ++i)
        file += "[bore" + std::to_string(i) + "]\nname = PW-" + std::to_string(i)
            + "\nx = " + std::to_string(10 + (i % 20) * 19)
            + "\ny = " + std::to_string(10 + (i / 20) * 36) + "\nrate = 1.5\n";
    file += "[observation25]\nname = Spring\nx = 205.5\ny = 207.25\n";
    const ScenarioTexts texts = parseScenarioFile(file, "site.ini");
    ASSERT_EQ(texts.bores.size(), 200u);
    EXPECT_EQ(texts.observations.size(), 25u);
    EXPECT_EQ(parseScenarioFile(scenarioFileText(texts), "again.ini"), texts);

    const ScenarioReading reading = readScenario(texts);
    ASSERT_TRUE(reading.accepted()) << reading.refusals.front();
    const ScenarioInputs& in = reading.inputs;
    EXPECT_EQ(in.Wells[199].Name, "PW-200");
    ASSERT_EQ(in.Observations.size(), 1u);
    EXPECT_EQ(in.Observations[0].Name, "Spring");
    const double t = 24 * 3600.0, T = 0.01, S = 0.001, Q = 1.5 / 3600;
    double expected = 0.0;
    for (const WellInput& well : in.Wells) {
        const double r2 = std::pow(205.5 - well.X, 2) + std::pow(207.25 - well.Y, 2);
        expected += Q / (4 * std::numbers::pi * T) * std::log(2.25 * T * t / (r2 * S));
    }
    EXPECT_NEAR(drawdownAt(in, 205.5, 207.25, t), expected, 1e-3 * expected);

    // Rows left empty beyond the table's are no rows; a point's default name is its row's.
    ScenarioTexts sparse = texts;
    sparse.bores.resize(230);
    EXPECT_EQ(parseScenarioFile(scenarioFileText(sparse), "s.ini").bores.size(), 200u);
    sparse.observations[24].name.clear();
    EXPECT_EQ(readScenario(sparse).inputs.Observations[0].Name, "Point 25");
    EXPECT_EQ(readScenario(sparse).inputs.Wells[3].Name, "PW-4");
    sparse.bores[3].name.clear();
    EXPECT_EQ(readScenario(sparse).inputs.Wells[3].Name, "Bore 4");

    // However many bores, the schedules hold at most so many changes in all.
    std::string changes;
    for (std::size_t k = 1; k <= MostRateChanges; ++k)
        changes += (k > 1 ? ", " : "") + std::to_string(k) + ":" + std::to_string(k % 2);
    for (std::size_t b = 0; b <= MostRateChangesInAll / MostRateChanges; ++b)
        sparse.bores[b].schedule = changes;
    const ScenarioReading tooMany = readScenario(sparse);
    ASSERT_EQ(tooMany.refusals.size(), 1u);
    EXPECT_NE(tooMany.refusals[0].find("rate changes in all"), std::string::npos);
}
