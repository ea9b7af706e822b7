#pragma once

// One log time axis for everything shown over the time since pumping began (the animation's
// frames, the time bar): from one minute (a tenth of a pumping time of a minute or less) to the
// pumping time, and the time as its text.

#include <QString>

#include <vector>

namespace drawfield {

// The frames of an animation of the map over that axis.
inline constexpr int DefaultAnimationFrames = 40;
inline constexpr int MostAnimationFrames = 1000;

// The first time shown (s): one minute, or a tenth of a pumping time of a minute or less.
[[nodiscard]] double firstShownSeconds(double pumpSeconds);

// count times (s) from firstShownSeconds to pumpSeconds at equal steps of log time, the last
// exactly pumpSeconds (one: pumpSeconds alone).
[[nodiscard]] std::vector<double> logTimes(double pumpSeconds, int count);

// "1 min", "25 min", "2.5 h", "3.2 d": a time since pumping began as a frame and the slider show
// it.
[[nodiscard]] QString elapsedText(double seconds);

} // namespace drawfield
