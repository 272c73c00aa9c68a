// The lighting page's colour palette: hue from left to right, fading to
// white from top to bottom. Integer arithmetic only, so the colour under any
// point is known exactly.
#pragma once

#include <cstdint>

namespace oro::panel::art {

constexpr int kPaletteSize = 256;

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr Rgb PaletteColour(int x, int y) {
  // Six hue segments of 256 steps across the width.
  const int hue = x * 1536 / kPaletteSize;
  const int segment = hue / 256;
  const int rise = hue % 256;
  const int fall = 255 - rise;
  int r = 0, g = 0, b = 0;
  switch (segment) {
    case 0:
      r = 255, g = rise, b = 0;
      break;
    case 1:
      r = fall, g = 255, b = 0;
      break;
    case 2:
      r = 0, g = 255, b = rise;
      break;
    case 3:
      r = 0, g = fall, b = 255;
      break;
    case 4:
      r = rise, g = 0, b = 255;
      break;
    default:
      r = 255, g = 0, b = fall;
      break;
  }
  // Toward white: y = 0 is the pure hue, y = 255 is white.
  r += (255 - r) * y / 255;
  g += (255 - g) * y / 255;
  b += (255 - b) * y / 255;
  return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
}

}  // namespace oro::panel::art
