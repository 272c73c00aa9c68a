// The custom equalizer curves file "config/eqs.bin": a 748-byte little-endian
// image of a count, the index of the current curve and ten 74-byte records
// (a 32-unit UTF-16LE name with its terminating zero, then ten signed gains).
// The file comes from disk and may be damaged, so decoding never trusts it:
// every field is brought into range and each repair is reported.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "oro/common/property_blocks.h"

namespace oro::eq {

constexpr std::size_t kMaxCurves = 10;
constexpr std::size_t kNameUnits = 32;  // terminating zero included
constexpr std::size_t kRecordSize = kNameUnits * 2 + common::kEqBandCount;
constexpr std::size_t kCurveFileSize = 8 + kMaxCurves * kRecordSize;
static_assert(kRecordSize == 74 && kCurveFileSize == 748);

using Gains = std::array<int, common::kEqBandCount>;

struct Curve {
  std::wstring name;
  Gains gains{};
};

struct CurveImage {
  std::vector<Curve> curves;  // at most kMaxCurves, in record order
  int current = 0;            // 0 when there are no curves

  // Index of the curve with exactly this name (same code units), or -1.
  int Find(const std::wstring& name) const;
};

struct DecodedCurves {
  CurveImage image;
  // One line per repair made while decoding; empty for a sound file.
  std::vector<std::string> repairs;
};

// Any byte string decodes: a short file keeps the whole records it holds,
// bytes past 748 are ignored, a count outside 0..10 and a current index out of
// range are clamped, a name without its terminator is cut to 31 units, gains
// beyond -20..+20 are clamped.
DecodedCurves DecodeCurveFile(const std::vector<std::uint8_t>& bytes);

// Exactly 748 bytes; records past the count are zero.
std::vector<std::uint8_t> EncodeCurveFile(const CurveImage& image);

// The name as the file can hold it: cut to 31 UTF-16 units, never between
// the two halves of a surrogate pair.
std::wstring FitCurveName(const std::wstring& name);

}  // namespace oro::eq
