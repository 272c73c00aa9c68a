#include "oro/platform/linux/hid_report_descriptor.h"

#include <algorithm>
#include <map>
#include <utility>

namespace oro::platform::linux_host {
namespace {

// Item tags of the HID report descriptor's short items.
constexpr int kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2;
constexpr int kMainInput = 8, kMainOutput = 9, kMainCollection = 10, kMainFeature = 11, kMainEndCollection = 12;
constexpr int kGlobalUsagePage = 0, kGlobalReportSize = 7, kGlobalReportId = 8, kGlobalReportCount = 9;
constexpr int kGlobalPush = 10, kGlobalPop = 11;
constexpr int kLocalUsage = 0;
constexpr std::uint8_t kLongItem = 0xFE;

struct Globals {
  std::uint32_t usage_page = 0;
  std::uint32_t report_size = 0;
  std::uint32_t report_count = 0;
  std::uint8_t report_id = 0;
};

struct Building {
  HidTopCollection out;
  // Bits per (kind, report ID).
  std::map<std::pair<int, std::uint8_t>, std::uint64_t> bits;
};

void AddId(std::vector<std::uint8_t>* ids, std::uint8_t id) {
  if (id && std::find(ids->begin(), ids->end(), id) == ids->end()) ids->push_back(id);
}

void Finish(Building* b, std::vector<HidTopCollection>* out) {
  for (const auto& [key, bits] : b->bits) {
    const auto bytes = static_cast<std::uint16_t>(std::min<std::uint64_t>((bits + 7) / 8 + 1, 0xFFFF));
    auto& field = key.first == kMainInput    ? b->out.input_report_length
                  : key.first == kMainOutput ? b->out.output_report_length
                                             : b->out.feature_report_length;
    field = std::max(field, bytes);
  }
  out->push_back(std::move(b->out));
}

}  // namespace

bool ParseReportDescriptor(const std::uint8_t* data, std::size_t size, std::vector<HidTopCollection>* out) {
  out->clear();
  std::vector<HidTopCollection> result;
  Globals g;
  std::vector<Globals> stack;
  std::vector<std::uint32_t> usages;
  Building current;
  int depth = 0;
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t prefix = data[i++];
    if (prefix == kLongItem) {
      if (i + 2 > size) return false;
      i += 2 + data[i];
      continue;
    }
    const std::size_t len = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (i + len > size) return false;
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < len; ++k) value |= static_cast<std::uint32_t>(data[i + k]) << (8 * k);
    i += len;
    const int type = (prefix >> 2) & 3, tag = prefix >> 4;
    if (type == kTypeGlobal) {
      if (tag == kGlobalUsagePage) g.usage_page = value;
      if (tag == kGlobalReportSize) g.report_size = value;
      if (tag == kGlobalReportCount) g.report_count = value;
      if (tag == kGlobalReportId) {
        if (value == 0 || value > 255) return false;
        g.report_id = static_cast<std::uint8_t>(value);
        if (depth > 0) AddId(&current.out.report_ids, g.report_id);
      }
      if (tag == kGlobalPush) stack.push_back(g);
      if (tag == kGlobalPop) {
        if (stack.empty()) return false;
        g = stack.back();
        stack.pop_back();
      }
    } else if (type == kTypeLocal) {
      // A four-byte usage carries its own page in the high half.
      if (tag == kLocalUsage) usages.push_back(len == 4 ? value : (g.usage_page << 16 | value));
    } else if (type == kTypeMain) {
      if (tag == kMainCollection) {
        if (depth == 0) {
          current = Building{};
          const std::uint32_t u = usages.empty() ? (g.usage_page << 16) : usages.front();
          current.out.usage_page = static_cast<std::uint16_t>(u >> 16);
          current.out.usage = static_cast<std::uint16_t>(u & 0xFFFF);
        }
        ++depth;
      } else if (tag == kMainEndCollection) {
        if (depth == 0) return false;
        if (--depth == 0) Finish(&current, &result);
      } else if (tag == kMainInput || tag == kMainOutput || tag == kMainFeature) {
        if (depth == 0) return false;
        current.bits[{tag, g.report_id}] += static_cast<std::uint64_t>(g.report_size) * g.report_count;
        AddId(&current.out.report_ids, g.report_id);
        if (tag == kMainInput) AddId(&current.out.input_report_ids, g.report_id);
      }
      usages.clear();
    }
  }
  if (depth != 0) return false;
  *out = std::move(result);
  return true;
}

}  // namespace oro::platform::linux_host
