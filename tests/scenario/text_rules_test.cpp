#include "files/number_text.h"
#include "scenario/text_rules.h"

#include "files/user_text.h"
#include "scenario/fit_record.h"
#include "scenario/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace drawfield;

// The leading number of any text; and whether the text is wholly one number, as the fields
// of schedules, boundaries, observation points and the georeference require.
TEST(TextRules, NumberOfText)
{
    struct Case {
        const char* text;
        std::optional<double> number;
        bool whole;
    };
    const Case cases[] = {
        { "", 0.0, false },
        { "abc", 0.0, false },
        { "0.003", 0.003, true },
        { "12,5", 12.0, false }, // "." is the only decimal point
        { "1e2", 100.0, true },
        { "1E-2", 0.01, true },
        { "1 2", 12.0, true }, // blanks inside a number are ignored
        { " 1\t2\n.5", 12.5, true },
        { "1 e 2", 100.0, true },
        { "1e", 1.0, false }, // an exponent needs a digit
        { "1e+", 1.0, false },
        { "-", 0.0, false },
        { "-.5", -0.5, true },
        { "+3", 3.0, true },
        { ".", 0.0, false },
        { "1.2.3", 1.2, false },
        { "12abc", 12.0, false },
        { "E5", 0.0, false },
        { "1e2.5", 100.0, false },
        { "&H1F", 31.0, false },
        { "&hff", 255.0, false },
        { "& H 10", 16.0, false },
        { "&O17", 15.0, false },
        { "&O8", 0.0, false },
        { "&H", 0.0, false },
        { "&HFFFF", 65535.0, false },
        { "1e-400", 0.0, true }, // too small for a real: 0
        { "0.0000001e-400", 0.0, true },
        { "1e400", std::nullopt, true }, // too large: a failure, not infinity
        { "123456789e305", std::nullopt, true },
        { "&HFFFFFFFFFFFFFFFFFF", std::nullopt, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(isWholeNumberText(c.text), c.whole);
        std::optional<double> number = numberOfText(c.text);
        ASSERT_EQ(number.has_value(), c.number.has_value());
        if (number) {
            EXPECT_EQ(*number, *c.number);
            EXPECT_FALSE(std::signbit(*number) && *number == 0.0) << "no negative zero";
        }
    }
}

TEST(TextRules, IntegerOfTextRoundsHalvesToEvenAndFailsOutsideSixteenBits)
{
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        { "0.5", 0 },
        { "1.5", 2 },
        { "2.5", 2 },
        { "3.5", 4 },
        { "-2.5", -2 },
        { "12.5", 12 },
        { "13.5", 14 },
        { "2.4999999", 2 },
        { "", 0 },
        { "abc", 0 },
        { "32767", 32767 },
        { "32766.5", 32766 },
        { "32767.4", 32767 },
        { "32767.5", std::nullopt }, // rounds to 32768
        { "-32768", -32768 },
        { "-32768.5", -32768 }, // rounds to the even -32768
        { "-32768.6", std::nullopt },
        { "40000", std::nullopt },
        { "1e400", std::nullopt },
        { "&H7FFF", 32767 },
        { "&H8000", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        std::optional<std::int16_t> value = integerOfText(c.text);
        ASSERT_EQ(value.has_value(), c.value.has_value());
        if (value) {
            EXPECT_EQ(*value, *c.value);
        }
    }
}

TEST(TextRules, RealText)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        { -1.3214580883242635, "-1.32145808832426" },
        { -0.09990161338896221, "-.0999016133889622" },
        { -0.0031772495860407954, "-.0031772495860408" }, // rounds up, trailing zero dropped
        { -0.5, "-.5" }, { -0.25, "-.25" }, { 0.0, " 0" }, { -0.0, " 0" }, { 100.0, " 100" },
        { 1.5, " 1.5" }, { 123456789012345.0, " 123456789012345" }, { 999999999999999.5, " 1E+15" },
        { 1e15, " 1E+15" }, { -1.23456789012345678e20, "-1.23456789012346E+20" },
        { 0.0001, " .0001" }, { 0.00001, " 1E-05" }, { -1.5e-7, "-1.5E-07" }, { 1e-100, " 1E-100" },
        { 0.1 + 0.2, " .3" }, // 15 digits hide the binary noise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(realText(c.value), c.text);
    }
}

TEST(TextRules, IntegerText)
{
    EXPECT_EQ(integerText(60), " 60");
    EXPECT_EQ(integerText(0), " 0");
    EXPECT_EQ(integerText(-5), "-5");
    EXPECT_EQ(integerText(-32768), "-32768");
}

TEST(UserText, ExcerptsAreShortEscapedAndWhole)
{
    struct Case {
        const char* name;
        std::string text;
        std::string quoted;
    };
    const Case cases[] = {
        { "plain", "12,5", "\"12,5\"" },
        { "empty", "", "\"\"" },
        { "NUL and newline", std::string("a\0b\nc", 5), "\"a\\x00b\\nc\"" },
        { "quote and backslash", "say \"hi\"\\", "\"say \\\"hi\\\"\\\\\"" },
        { "long", std::string(100, '7'), "\"" + std::string(40, '7') + "\"..." },
        // The cut falls inside the two bytes of an é: the whole character is left out.
        { "not cut inside a character", std::string(39, 'a') + "\xC3\xA9" + "b",
            "\"" + std::string(39, 'a') + "\"..." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(quotedExcerpt(c.text), c.quoted);
    }
    EXPECT_EQ(printablePath("/tmp/a\nb \"c\"\\d"), "/tmp/a\\nb \"c\"\\d");
    // Another program's message: escapes count against its length.
    EXPECT_EQ(relayedText(std::string(200, '\0'), 10), "\\x00\\x00...");
    EXPECT_EQ(relayedText("no such object"), "no such object");
    EXPECT_EQ(sentence("no such file"), "No such file.");
    EXPECT_EQ(sentence("Done!"), "Done!");
    EXPECT_EQ(cannotMessage("write", "picture", "/x/m.png", "No such file or directory"),
        "Cannot write the picture /x/m.png: No such file or directory.");
}

// A fit's record ([fit] intervals): written to read back to the bit, entries that are none left
// out, and an interval given only while its value is still the scenario's.
TEST(FitRecord, IntervalsReadBackAndBelongToTheirValues)
{
    const std::vector<ScenarioInputs::RecordedInterval> written {
        { "T", 0.0053543827, 0.0050961, 0.0056259 }, { "S", 1.7788e-4, 1.4751e-4, 2.1449e-4 }
    };
    const std::string text = intervalsText(written);
    const auto read = intervalsOfText(text);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].Value, 0.0053543827);
    EXPECT_EQ(read[1].High, 2.1449e-4);
    EXPECT_EQ(read[1].Symbol, "S");
    const struct {
        const char* text;
        std::size_t entries;
    } cases[] = {
        { "T = 1 (95 %: 0.5 .. 2)", 1 },
        { "T = 1 (95 %: 0.5 .. 2);; S = x (95 %: 1 .. 2)", 1 }, // no number
        { "T = 3 (95 %: 0.5 .. 2)", 0 }, // outside its interval
        { "T 1 0.5 2; B = 400 (95 %: 380 .. 420)", 1 },
        { "", 0 },
        { ";;;) .. (95 %:  = ", 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(intervalsOfText(c.text).size(), c.entries) << c.text;

    ScenarioTexts texts;
    texts.transmissivity = "0.0053543827";
    texts.fit.intervals = text;
    ScenarioInputs inputs = readScenario(texts).inputs;
    EXPECT_EQ(currentIntervals(inputs).size(), 1u); // S is 4 % here, not the fitted
    texts.transmissivity = "0.0054";
    EXPECT_TRUE(currentIntervals(readScenario(texts).inputs).empty());
}
