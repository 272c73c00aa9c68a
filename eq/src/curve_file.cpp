#include "oro/eq/curve_file.h"

#include <algorithm>

#include "oro/platform/little_endian.h"
#include "oro/platform/text.h"

namespace oro::eq {
namespace {

// Units of a name, cut so that a terminator fits.
std::vector<std::uint8_t> NameUnits(const std::wstring& name) {
  std::vector<std::uint8_t> units = platform::ToUtf16Le(name);
  const std::size_t max_bytes = (kNameUnits - 1) * 2;
  if (units.size() > max_bytes) {
    units.resize(max_bytes);
    // A high surrogate left at the end would lose its partner.
    const unsigned last = units[max_bytes - 2] | (units[max_bytes - 1] << 8);
    if (last >= 0xD800 && last <= 0xDBFF) units.resize(max_bytes - 2);
  }
  return units;
}

}  // namespace

int CurveImage::Find(const std::wstring& name) const {
  for (std::size_t i = 0; i < curves.size(); ++i) {
    if (curves[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::wstring FitCurveName(const std::wstring& name) {
  const std::vector<std::uint8_t> units = NameUnits(name);
  return platform::FromUtf16Le(units.data(), units.size());
}

DecodedCurves DecodeCurveFile(const std::vector<std::uint8_t>& bytes) {
  DecodedCurves out;
  auto repair = [&](std::string text) { out.repairs.push_back(std::move(text)); };

  if (bytes.size() != kCurveFileSize) {
    repair("the file holds " + std::to_string(bytes.size()) + " bytes instead of " + std::to_string(kCurveFileSize));
  }
  if (bytes.size() < 8) {
    if (!bytes.empty()) repair("no curves could be read");
    return out;
  }

  const std::int32_t stored_count = platform::LoadLe<std::int32_t>(bytes.data());
  const std::int32_t stored_current = platform::LoadLe<std::int32_t>(bytes.data() + 4);
  std::size_t count = static_cast<std::size_t>(std::clamp<std::int32_t>(stored_count, 0, kMaxCurves));
  if (count != static_cast<std::size_t>(stored_count)) {
    repair("curve count " + std::to_string(stored_count) + " is outside 0.." + std::to_string(kMaxCurves));
  }
  const std::size_t whole_records = (std::min(bytes.size(), kCurveFileSize) - 8) / kRecordSize;
  if (whole_records < count) {
    repair("only " + std::to_string(whole_records) + " of " + std::to_string(count) + " curves are in the file");
    count = whole_records;
  }

  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* record = bytes.data() + 8 + i * kRecordSize;
    std::size_t units = 0;
    while (units < kNameUnits && (record[2 * units] | record[2 * units + 1]) != 0) ++units;
    Curve curve;
    if (units == kNameUnits) {
      repair("the name of curve " + std::to_string(i + 1) + " has no end; it is cut to " +
             std::to_string(kNameUnits - 1) + " characters");
      curve.name = FitCurveName(platform::FromUtf16Le(record, 2 * kNameUnits));
    } else {
      curve.name = platform::FromUtf16Le(record, 2 * units);
    }
    for (std::size_t b = 0; b < common::kEqBandCount; ++b) {
      const int gain = static_cast<std::int8_t>(record[2 * kNameUnits + b]);
      curve.gains[b] = std::clamp(gain, common::kEqGainMin, common::kEqGainMax);
      if (curve.gains[b] != gain) {
        repair("gain " + std::to_string(gain) + " dB of curve " + std::to_string(i + 1) + " is clamped to " +
               std::to_string(curve.gains[b]));
      }
    }
    out.image.curves.push_back(std::move(curve));
  }

  if (stored_current >= 0 && static_cast<std::size_t>(stored_current) < out.image.curves.size()) {
    out.image.current = stored_current;
  } else if (stored_current != 0) {
    repair("current curve " + std::to_string(stored_current) + " does not exist");
  }
  return out;
}

std::vector<std::uint8_t> EncodeCurveFile(const CurveImage& image) {
  std::vector<std::uint8_t> bytes(kCurveFileSize, 0);
  const std::size_t count = std::min(image.curves.size(), kMaxCurves);
  platform::StoreLe(bytes.data(), static_cast<std::int32_t>(count));
  platform::StoreLe(bytes.data() + 4, static_cast<std::int32_t>(image.current));
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* record = bytes.data() + 8 + i * kRecordSize;
    const std::vector<std::uint8_t> units = NameUnits(image.curves[i].name);
    std::copy(units.begin(), units.end(), record);
    for (std::size_t b = 0; b < common::kEqBandCount; ++b) {
      const int gain = std::clamp(image.curves[i].gains[b], common::kEqGainMin, common::kEqGainMax);
      record[2 * kNameUnits + b] = static_cast<std::uint8_t>(static_cast<std::int8_t>(gain));
    }
  }
  return bytes;
}

}  // namespace oro::eq
