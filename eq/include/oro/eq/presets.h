// The twelve built-in equalizer curves, in the order of the preset buttons
// (id 0 to 11); gains in dB for the bands 30 Hz to 16 kHz.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "oro/common/property_blocks.h"

namespace oro::eq {

constexpr std::size_t kPresetCount = 12;
constexpr std::size_t kDefaultPreset = 11;  // all bands flat

inline constexpr std::array<std::array<std::int8_t, common::kEqBandCount>, kPresetCount> kPresetGains = {{
    {-2, 1, 4, 6, -2, 1, 3, 2, -3, -1},    // 0 tactical shooter
    {-6, -6, -6, 6, 0, 6, 0, -1, 0, -6},   // 1 counter-terrorist shooter
    {-3, -3, 6, 4, 6, 2, 3, 2, 0, -5},     // 2 squad operations
    {-4, 1, -5, -5, -5, 4, 9, 7, -5, -6},  // 3 battle royale
    {-2, -3, 1, 3, 1, 1, 1, 0, 0, -1},     // 4 arcade shooter
    {11, 8, 4, 5, -3, 3, 8, -5, 3, 6},     // 5 military campaign
    {3, -3, -3, -5, 3, 3, 3, 5, 6, 4},     // 6 hero battle royale
    {1, 1, 2, 4, 1, 1, 0, 1, 0, -1},       // 7 team hero shooter
    {6, 6, 3, -1, 0, 0, 1, 2, 1, 0},       // 8 bass boost
    {5, 6, 3, -2, -1, -1, 2, 4, 5, 3},     // 9 pop
    {-3, -2, -1, 0, 2, 3, 2, 1, 0, 1},     // 10 vocal boost
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},        // 11 default
}};

}  // namespace oro::eq
