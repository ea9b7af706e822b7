#pragma once

// The texts the program shows to the user, word for word (trailing blanks included).

namespace drawfield::messages {

inline constexpr const char* LargeXSize = "Large X size, computation will take time...";
inline constexpr const char* LargeYSize = "Large Y size, computation will take time...";
inline constexpr const char* PumpingOutsideOfMap = "Pumping outside of map";
inline constexpr const char* NoPumpingRate = "No pumping rate ";
inline constexpr const char* DrawdownAboveThickness = "Drawdown > Aquifer thickness !";
inline constexpr const char* AquiferDewatered
    = "The aquifer is dewatered where the drawdown reaches half its thickness: the unconfined "
      "correction has no solution there, and the whole thickness is shown as drawdown.";

} // namespace drawfield::messages
