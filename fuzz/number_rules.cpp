// The number rules: every text reads as a finite number or as a refusal, whole numbers agree with
// the rounding rule, and numbers survive their text forms.

#include "files/number_text.h"
#include "scenario/text_rules.h"
#include "fuzz_support.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

using namespace drawfield;

namespace {

// The 15 significant digits of the record file lose at most half a unit in the 15th digit.
bool closeEnough(double a, double b)
{
    return a == b || std::fabs(a - b) <= 1e-14 * std::fabs(a) || std::fabs(a - b) < 1e-300;
}

void checkTextForms(double value)
{
    std::string text = realText(value);
    std::optional<double> back = numberOfText(text);
    // Near the largest double, 15 digits round up past it: "1.79769313486232E+308" is too large.
    if (!back && std::fabs(value) >= 1.797693134862315e308)
        return;
    FUZZ_REQUIRE(back.has_value(), "the text form reads back");
    FUZZ_REQUIRE(closeEnough(*back, value), "the 15-digit text form keeps the value");
    FUZZ_REQUIRE(realText(*back) == text, "the text form is stable");

    // The grid file's 17 digits give the value back bit for bit.
    char digits[40];
    auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 17);
    std::optional<double> exact = numberOfText(std::string_view(digits, end.ptr));
    FUZZ_REQUIRE(
        exact && (*exact == value || std::fabs(value) < 1e-300), "17 digits read back exactly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<double> number = numberOfText(text);
    std::optional<std::int16_t> whole = integerOfText(text);
    if (!number) {
        FUZZ_REQUIRE(!whole, "no whole number without a number");
    } else {
        FUZZ_REQUIRE(std::isfinite(*number), "a number is finite");
        double rounded = roundHalfEven(*number);
        FUZZ_REQUIRE(std::fabs(rounded - *number) <= 0.5, "rounding moves by half at most");
        bool inRange = rounded >= -32768.0 && rounded <= 32767.0;
        FUZZ_REQUIRE(whole.has_value() == inRange, "16 bits hold exactly the range");
        if (whole)
            FUZZ_REQUIRE(*whole == rounded, "the whole number is the rounded one");
        checkTextForms(*number);
    }

    // The same bytes as a double and as an integer.
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        if (std::isfinite(value))
            checkTextForms(value);
        long long integer;
        std::memcpy(&integer, data, sizeof integer);
        integer %= 1'000'000'000'000'000LL; // exact as a double
        std::optional<double> back = numberOfText(integerText(integer));
        FUZZ_REQUIRE(back && *back == static_cast<double>(integer), "integers read back");
    }
    return 0;
}
