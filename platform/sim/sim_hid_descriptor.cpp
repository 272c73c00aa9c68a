// The descriptor files of the simulated bus.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/text.h"

namespace oro::platform::sim {
namespace {

std::string Hex(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04x", value & 0xFFFFu);
  return buf;
}

bool ParseLong(const std::string& text, int base, long min, long max, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, base);
  if (*end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

std::string HidBusDir(const std::string& sim_dir) { return sim_dir + "/hid"; }

std::string FormatHidDescriptor(const HidInterfaceInfo& info) {
  std::ostringstream s;
  s << "vendor=" << Hex(info.vendor_id) << "\nproduct=" << Hex(info.product_id) << "\nrelease=" << Hex(info.release)
    << "\ninterface=" << info.interface_number << "\ncollection=" << info.collection
    << "\nusage_page=" << Hex(info.usage_page) << "\nusage=" << Hex(info.usage) << "\nreport_ids=";
  for (std::size_t i = 0; i < info.report_ids.size(); ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02x", info.report_ids[i]);
    s << (i ? "," : "") << buf;
  }
  s << "\ninput=" << info.input_report_length << "\noutput=" << info.output_report_length
    << "\nfeature=" << info.feature_report_length << "\nmanufacturer=" << ToUtf8(info.manufacturer)
    << "\nproduct_name=" << ToUtf8(info.product) << "\nserial=" << ToUtf8(info.serial_number) << "\n";
  return s.str();
}

bool ParseHidDescriptor(const std::string& text, HidInterfaceInfo* info) {
  HidInterfaceInfo r;
  unsigned seen = 0;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    long v = 0;
    auto hex16 = [&](std::uint16_t* field, unsigned bit) {
      if (!ParseLong(value, 16, 0, 0xFFFF, &v)) return false;
      *field = static_cast<std::uint16_t>(v);
      seen |= bit;
      return true;
    };
    auto dec = [&](long min, long max, unsigned bit) {
      if (!ParseLong(value, 10, min, max, &v)) return false;
      seen |= bit;
      return true;
    };
    bool ok = true;
    if (key == "vendor") {
      ok = hex16(&r.vendor_id, 1u << 0);
    } else if (key == "product") {
      ok = hex16(&r.product_id, 1u << 1);
    } else if (key == "release") {
      ok = hex16(&r.release, 0);
    } else if (key == "usage_page") {
      ok = hex16(&r.usage_page, 0);
    } else if (key == "usage") {
      ok = hex16(&r.usage, 0);
    } else if (key == "interface") {
      ok = dec(-1, 255, 1u << 2);
      r.interface_number = static_cast<int>(v);
    } else if (key == "collection") {
      ok = dec(0, 255, 1u << 3);
      r.collection = static_cast<int>(v);
    } else if (key == "input" || key == "output" || key == "feature") {
      ok = dec(0, 4096, 1u << 4);
      auto& field =
          key == "input" ? r.input_report_length : (key == "output" ? r.output_report_length : r.feature_report_length);
      field = static_cast<std::uint16_t>(v);
    } else if (key == "report_ids") {
      std::istringstream ids(value);
      std::string id;
      while (ok && std::getline(ids, id, ',')) {
        ok = ParseLong(id, 16, 1, 255, &v);
        if (ok) r.report_ids.push_back(static_cast<std::uint8_t>(v));
      }
    } else if (key == "manufacturer") {
      r.manufacturer = FromUtf8(value);
    } else if (key == "product_name") {
      r.product = FromUtf8(value);
    } else if (key == "serial") {
      r.serial_number = FromUtf8(value);
    }
    if (!ok) return false;
  }
  if ((seen & 0x1F) != 0x1F) return false;
  r.path = info->path;
  *info = std::move(r);
  return true;
}

}  // namespace oro::platform::sim
