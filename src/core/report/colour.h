// The colours core code hands to the windows for drawing (the progress
// schema, the assessment chart), as plain RGB.
#pragma once

namespace phreatix {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
// The outlines and lines of the progress schema: white vanished on the grey
// of the window.
inline constexpr Rgb kSchemaPen{64, 64, 64};

}  // namespace phreatix
