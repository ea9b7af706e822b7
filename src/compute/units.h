#pragma once

// The units the fields and files are given in, against the SI units the computation works in.

#include <string>

namespace drawfield {

inline constexpr double SecondsPerHour = 3600.0;
inline constexpr double SecondsPerDay = 86400.0;
inline constexpr double PercentPerFraction = 100.0;

// A unit against the SI unit of its quantity: a value in it is value * times / over in SI
// (m, m2/s, a fraction, s, m3/s). Kept as a ratio so that the units the program always had
// convert exactly as they did (hours: * 3600; m3/h: / 3600; %: / 100).
struct UnitFactor {
    double times = 1.0;
    double over = 1.0;
    [[nodiscard]] double toSI(double value) const { return value * times / over; }
    [[nodiscard]] double fromSI(double si) const { return si * over / times; }
    bool operator==(const UnitFactor&) const = default;
};

// A unit results are written in: its word ("ft") and its factor; metres unless said.
struct ShownUnit {
    std::string word = "m";
    UnitFactor factor;
    [[nodiscard]] double of(double si) const { return factor.fromSI(si); }
    bool operator==(const ShownUnit&) const = default;
};

// The units results are written in: those a scenario's [units] names, the program's own for the
// others. `chosen` says that [units] named one, so that files name their columns' units.
struct ResultUnits {
    ShownUnit length { "m", {} };
    ShownUnit transmissivity { "m2/s", {} };
    ShownUnit storage { "%", { 1.0, PercentPerFraction } };
    ShownUnit time { "h", { SecondsPerHour, 1.0 } };
    ShownUnit rate { "m3/h", { 1.0, SecondsPerHour } };
    bool chosen = false;
    bool operator==(const ResultUnits&) const = default;
};

// A time since pumping began as a report or a summary says it: in the unit [units] chose, else
// in the largest of year, d (from 2 d), h and min that holds it whole ("30 d", "1 year", "24 h"),
// else in hours to four digits.
[[nodiscard]] std::string durationText(double seconds, const ResultUnits& units);

} // namespace drawfield
