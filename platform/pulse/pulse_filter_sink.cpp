#include "pulse_filter_sink.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "oro/platform/install_layout.h"
#include "pulse_endpoints.h"

namespace oro::platform::pulse {
namespace {

constexpr const char* kPluginFile = "OroSoundAPO.so";
constexpr const char* kPluginLabel = "oro_sound_apo";

// Module arguments are parsed by the server: keep values to characters that
// need no quoting there.
std::string Quotable(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != '\'' && c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) out += c;
  }
  return out;
}

std::string Property(const DeviceRecord& d, const char* key) {
  const auto it = d.properties.find(key);
  return it == d.properties.end() ? std::string() : it->second;
}

}  // namespace

std::string PluginBesideThisModule() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&PluginBesideThisModule), &info) || !info.dli_fname) return kPluginFile;
  std::string path = info.dli_fname;
  char resolved[4096];
  if (realpath(path.c_str(), resolved)) path = resolved;
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return kPluginFile;
  return ProcessingObjectFolder(path.substr(0, slash)) + "/" + kPluginFile;
}

ErrorCode FindFilterSink(PulseClient& client, const std::string& master, DeviceRecord* out) {
  std::vector<DeviceRecord> sinks;
  if (ErrorCode rc = client.ListDevices(DeviceKind::kSink, &sinks)) return rc;
  for (auto& s : sinks) {
    if (Property(s, kFilterMasterProperty) == master) {
      *out = std::move(s);
      return err::kSuccess;
    }
  }
  return err::kNotFound;
}

ErrorCode InstallFilterSink(PulseClient& client, const DeviceRecord& master, const std::string& plugin_path) {
  if (access(plugin_path.c_str(), R_OK) != 0) return err::kFileNotFound;
  ServerDefaults defaults;
  if (ErrorCode rc = client.Defaults(&defaults)) return rc;
  DeviceRecord filter;
  ErrorCode rc = FindFilterSink(client, master.name, &filter);
  if (rc == err::kNotFound) {
    // The previous default is remembered unless it is one of the kit's own filters.
    DeviceRecord current;
    std::string previous = defaults.sink;
    if (!previous.empty() && client.GetDevice(DeviceKind::kSink, previous, &current) == err::kSuccess &&
        current.properties.count(kFilterMasterProperty)) {
      previous = Property(current, kFilterPreviousProperty);
    }
    const std::string name = "oro_filter." + master.name;
    const std::string args = "sink_name=" + Quotable(name) + " sink_master=" + Quotable(master.name) + " plugin='" +
                             Quotable(plugin_path) + "' label=" + kPluginLabel +
                             " channels=2 channel_map=front-left,front-right"
                             " sink_properties=\"device.description='" +
                             Quotable(master.description) + " (OroSound)' " + kFilterMasterProperty + "='" +
                             Quotable(master.name) + "' " + kFilterPreviousProperty + "='" + Quotable(previous) + "'\"";
    std::uint32_t module = 0;
    if ((rc = client.LoadModule("module-ladspa-sink", args, &module))) return rc;
    if ((rc = FindFilterSink(client, master.name, &filter))) return rc;
  } else if (rc) {
    return rc;
  }
  return defaults.sink == filter.name ? err::kSuccess : client.SetDefault(DeviceKind::kSink, filter.name);
}

ErrorCode RemoveFilterSink(PulseClient& client, const std::string& master) {
  DeviceRecord filter;
  ErrorCode rc = FindFilterSink(client, master, &filter);
  if (rc == err::kNotFound) return err::kSuccess;
  if (rc) return rc;
  ServerDefaults defaults;
  if ((rc = client.Defaults(&defaults))) return rc;
  if (defaults.sink == filter.name) {
    DeviceRecord previous;
    std::string back = Property(filter, kFilterPreviousProperty);
    if (back.empty() || client.GetDevice(DeviceKind::kSink, back, &previous) != err::kSuccess) back = master;
    if ((rc = client.SetDefault(DeviceKind::kSink, back)) && rc != err::kNotFound) return rc;
  }
  return client.UnloadModule(filter.owner_module);
}

}  // namespace oro::platform::pulse
