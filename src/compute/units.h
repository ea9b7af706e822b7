#pragma once

// The units the fields and files are given in, against the SI units the computation works in.

namespace drawfield {

inline constexpr double SecondsPerHour = 3600.0;
inline constexpr double SecondsPerDay = 86400.0;
inline constexpr double PercentPerFraction = 100.0;

} // namespace drawfield
