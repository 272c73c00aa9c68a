// A client of the sound server (libpulse, which speaks to PulseAudio and to
// PipeWire's PulseAudio server alike) with calls that wait a bounded time.
// Every call connects when there is no connection, so a server that went away
// is found again once it is back; a call that cannot finish in time returns
// err::kTimeout, one without a server err::kServiceNotActive.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform::pulse {

enum class DeviceKind { kSink, kSource };

// What the kit reads of a sink or source.
struct DeviceRecord {
  DeviceKind kind = DeviceKind::kSink;
  std::uint32_t index = 0;
  std::string name;
  std::string description;
  std::map<std::string, std::string> properties;
  float volume = 0.0f;  // loudest channel, 1.0 = the server's normal volume
  bool mute = false;
  bool monitor = false;    // a sink's monitor source
  bool unplugged = false;  // its active port reports nothing plugged in
  std::uint32_t rate = 0;
  std::uint8_t channels = 0;
  std::uint32_t owner_module = 0xffffffffu;  // none
};

struct ServerDefaults {
  std::string sink;
  std::string source;
};

struct ClientOptions {
  std::string server;  // empty: the server the environment names
  std::chrono::milliseconds bound{1500};
};

class PulseClient {
 public:
  explicit PulseClient(ClientOptions options);
  ~PulseClient();
  PulseClient(const PulseClient&) = delete;
  PulseClient& operator=(const PulseClient&) = delete;

  const ClientOptions& Options() const;

  ErrorCode ListDevices(DeviceKind kind, std::vector<DeviceRecord>* out);
  // err::kNotFound when there is no such device.
  ErrorCode GetDevice(DeviceKind kind, const std::string& name, DeviceRecord* out);
  ErrorCode Defaults(ServerDefaults* out);
  // Sets the loudest channel to `scalar` and keeps the others in proportion.
  ErrorCode SetVolume(DeviceKind kind, const std::string& name, float scalar);
  ErrorCode SetMute(DeviceKind kind, const std::string& name, bool mute);
  ErrorCode SetDefault(DeviceKind kind, const std::string& name);
  ErrorCode LoadModule(const std::string& name, const std::string& arguments, std::uint32_t* index);
  ErrorCode UnloadModule(std::uint32_t index);

  // Watches the server: `changed` runs on the client's own thread after every
  // change of a sink, source or the defaults, and after each (re)connection;
  // it must only hand the news on. While watching, a lost server is looked for
  // again every half second. An empty function stops watching.
  void Watch(std::function<void()> changed);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace oro::platform::pulse
