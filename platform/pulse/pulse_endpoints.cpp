#include "pulse_endpoints.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "oro/platform/text.h"

namespace oro::platform::pulse {
namespace {

std::uint64_t Fnv1a(const std::string& text, std::uint64_t basis) {
  std::uint64_t h = basis;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::string Property(const DeviceRecord& d, const char* key) {
  const auto it = d.properties.find(key);
  return it == d.properties.end() ? std::string() : it->second;
}

// A 16-bit id from the hex text the server keeps ("040b").
bool HexId(const std::string& text, unsigned* out) {
  if (text.empty() || text.size() > 4) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0') return false;
  *out = static_cast<unsigned>(v);
  return true;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Path elements keep letters, digits and a few marks; anything else becomes '_'.
std::string PathElement(const std::string& s) {
  std::string out;
  for (unsigned char c : s) out += (std::isalnum(c) || c == '.' || c == '-' || c == '&') ? static_cast<char>(c) : '_';
  return out;
}

}  // namespace

bool IsEndpoint(const DeviceRecord& device) {
  return !device.monitor && device.properties.count(kFilterMasterProperty) == 0;
}

Flow FlowOf(DeviceKind kind) { return kind == DeviceKind::kSink ? Flow::kRender : Flow::kCapture; }
DeviceKind KindOf(Flow flow) { return flow == Flow::kRender ? DeviceKind::kSink : DeviceKind::kSource; }

std::wstring EndpointIdOf(DeviceKind kind, const std::string& device_name) {
  const std::string key = (kind == DeviceKind::kSink ? "sink:" : "source:") + device_name;
  const std::uint64_t hi = Fnv1a(key, 0xcbf29ce484222325ULL);
  const std::uint64_t lo = Fnv1a(key, 0x84222325cbf29ce4ULL);
  char guid[40];
  // Laid out as a name-based guid (version 5, RFC 4122 variant).
  std::snprintf(guid, sizeof guid, "%08x-%04x-5%03x-%04x-%012llx", static_cast<unsigned>(hi >> 32),
                static_cast<unsigned>((hi >> 16) & 0xffff), static_cast<unsigned>(hi & 0x0fff),
                static_cast<unsigned>(0x8000 | ((lo >> 48) & 0x3fff)),
                static_cast<unsigned long long>(lo & 0xffffffffffffULL));
  const std::wstring prefix = kind == DeviceKind::kSink ? L"{0.0.0.00000000}.{" : L"{0.0.1.00000000}.{";
  return prefix + FromUtf8(guid) + L"}";
}

std::wstring DevicePathOf(const DeviceRecord& device) {
  const std::string bus = Property(device, "device.bus");
  unsigned vendor = 0, product = 0;
  if (HexId(Property(device, "device.vendor.id"), &vendor) && HexId(Property(device, "device.product.id"), &product)) {
    std::string serial = Property(device, "device.serial");
    if (serial.empty()) serial = device.name;
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", vendor, product);
    return FromUtf8("{1}." + (bus.empty() ? std::string("USB") : Upper(bus)) + "\\" + ids + "\\" + PathElement(serial));
  }
  return FromUtf8("{1}." + (bus.empty() ? std::string("SOUND") : Upper(PathElement(bus))) + "\\" +
                  PathElement(device.name));
}

EndpointInfo EndpointInfoOf(const DeviceRecord& device) {
  EndpointInfo info;
  info.id = EndpointIdOf(device.kind, device.name);
  info.flow = FlowOf(device.kind);
  info.state = device.unplugged ? devstate::kUnplugged : devstate::kActive;
  info.name = FromUtf8(device.description);
  std::string adapter = Property(device, "device.product.name");
  if (adapter.empty()) adapter = Property(device, "alsa.card_name");
  if (adapter.empty()) adapter = device.description;
  info.adapter_name = FromUtf8(adapter);
  info.device_path = DevicePathOf(device);
  return info;
}

}  // namespace oro::platform::pulse
