// The simulated machine as oro-sim and the sim adapters see it: endpoints,
// their state, volume and mute, the default endpoint of each flow and role,
// and the system settings, all kept in the settings store (see sim_layout.h).
// Every call reads or writes the store at once, so several processes working
// on one state folder see each other's changes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "oro/platform/audio_system.h"
#include "oro/platform/registry_store.h"

namespace oro::platform::sim {

// The engine's device format of an endpoint.
struct SimFormat {
  std::uint16_t channels = 2;
  std::uint32_t sample_rate = 48000;
  std::uint16_t bits = 16;
  std::uint32_t channel_mask = 0x3;
};

// What an endpoint is made of when it is added.
struct SimEndpointSpec {
  Flow flow = Flow::kRender;
  std::wstring guid;          // key name, "{...}"
  std::wstring alias;         // short name for oro-sim; may be empty
  std::wstring description;   // "Speakers", "Microphone"
  std::wstring adapter_name;  // the device the endpoint belongs to
  std::wstring device_path;   // instance path, VID_xxxx&PID_xxxx for USB devices
  std::uint32_t state = devstate::kActive;
  SimFormat format;
  float volume = 1.0f;
  bool mute = false;
  // Values of the "FxProperties" key; none means the endpoint has no such key.
  std::vector<std::pair<std::wstring, std::wstring>> effects;
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> effect_modes;
  // Further "Properties" values: strings, and numbers (DWORD).
  std::vector<std::pair<std::wstring, std::wstring>> extra_properties;
  std::vector<std::pair<std::wstring, std::uint32_t>> extra_numbers;
};

struct SimEndpoint {
  EndpointInfo info;
  std::wstring alias;
  std::uint32_t volume_error = 0;  // why the volume or mute could not be read
  float volume = 1.0f;
  bool mute = false;
  std::vector<Role> default_roles;
};

// Vendor and product ID from a device path holding "VID_xxxx&PID_xxxx" (any
// case); false when it has none.
bool ParseUsbIds(const std::wstring& device_path, std::uint16_t* vendor, std::uint16_t* product);

class SimMachine {
 public:
  explicit SimMachine(RegistryStore& store) : store_(store) {}

  // True when the store holds endpoints or the simulator's own settings.
  bool Exists();
  // Removes every endpoint and the simulator's own keys; the kit's keys stay.
  ErrorCode Clear();

  // err::kAlreadyExists when the key name is taken; err::kInvalidParameter for
  // a key name that is not one path element or a volume outside 0..1.
  ErrorCode AddEndpoint(const SimEndpointSpec& def);

  // All endpoints, render first, each flow in the store's order.
  ErrorCode List(std::vector<SimEndpoint>* out);
  // By endpoint id. err::kNotFound when there is no such endpoint.
  ErrorCode Load(const std::wstring& id, SimEndpoint* out);
  // By endpoint id, key name or alias, ignoring case. err::kNotFound when none.
  ErrorCode Find(const std::wstring& ref, SimEndpoint* out);

  ErrorCode GetState(const std::wstring& id, std::uint32_t* state);
  // An endpoint that stops being active hands each default role it held to
  // the first other active endpoint of its flow, or leaves the role empty;
  // an endpoint that becomes active takes the roles nobody holds.
  ErrorCode SetState(const std::wstring& id, std::uint32_t state);
  // Active, and default for every role of its flow unless take_defaults is off
  // (a newly arrived device becomes the default, as on the real system).
  ErrorCode Plug(const std::wstring& id, bool take_defaults);
  ErrorCode Unplug(const std::wstring& id);

  // The stored default; err::kNotFound when the role has none.
  ErrorCode GetDefault(Flow flow, Role role, std::wstring* id);
  // err::kInvalidParameter for an endpoint of the other flow or one that is
  // not active.
  ErrorCode SetDefault(Flow flow, Role role, const std::wstring& id);

  // Raw stored values, whatever the endpoint's state.
  ErrorCode GetVolume(const std::wstring& id, float* scalar);
  // err::kInvalidParameter outside 0.0..1.0, as the real system refuses it.
  ErrorCode SetVolume(const std::wstring& id, float scalar);
  ErrorCode GetMute(const std::wstring& id, bool* mute);
  ErrorCode SetMute(const std::wstring& id, bool mute);

  // System settings; missing values read as their defaults.
  std::uint32_t OsVersion();
  ErrorCode SetOsVersion(std::uint32_t version);
  std::uint32_t LocaleId();
  ErrorCode SetLocaleId(std::uint32_t lcid);
  std::wstring TempFolder();
  ErrorCode SetTempFolder(const std::wstring& folder);

 private:
  ErrorCode EndpointKey(const std::wstring& id, std::wstring* key);
  ErrorCode ReadEndpoint(Flow flow, const std::wstring& guid, SimEndpoint* out);
  ErrorCode FirstActive(Flow flow, const std::wstring& except, std::wstring* id);

  RegistryStore& store_;
};

}  // namespace oro::platform::sim
