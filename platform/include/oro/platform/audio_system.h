// Audio system port: endpoints, the default endpoint per flow and role, the
// master volume and mute of an endpoint, and notifications of changes to
// both. The calls keep the order the system's own interfaces impose: find the
// endpoint, activate what is needed, then use it.
//
// Notifications arrive on a thread of the adapter, never the subscriber's.
// A subscription ends when its Subscription object is destroyed: the
// destructor waits for a callback that is running on another thread, and no
// callback starts after it returns, so the listener may be destroyed right
// after. Destroying a subscription from inside its own callback is allowed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

enum class Flow : std::uint8_t { kRender = 0, kCapture = 1 };
enum class Role : std::uint8_t { kConsole = 0, kMultimedia = 1, kCommunications = 2 };

// Endpoint states with the system's numbers.
namespace devstate {
constexpr std::uint32_t kActive = 0x1;
constexpr std::uint32_t kDisabled = 0x2;
constexpr std::uint32_t kNotPresent = 0x4;
constexpr std::uint32_t kUnplugged = 0x8;
}  // namespace devstate

struct EndpointInfo {
  std::wstring id;  // "{0.0.0.00000000}.{guid}"
  Flow flow = Flow::kRender;
  std::uint32_t state = devstate::kActive;
  std::wstring name;          // friendly name of the endpoint
  std::wstring adapter_name;  // name of the device it belongs to
  std::wstring device_path;   // carries VID_xxxx&PID_xxxx for USB devices
};

// A change of an endpoint's master volume or mute, as the system reports it:
// both values as they are after the change.
struct VolumeNotification {
  float master_scalar = 0.0f;
  bool muted = false;
};

class VolumeListener {
 public:
  virtual ~VolumeListener() = default;
  virtual void OnVolumeNotify(const VolumeNotification& notification) = 0;
};

// Changes to the set of endpoints. Each call names the endpoint by id.
class EndpointListener {
 public:
  virtual ~EndpointListener() = default;
  virtual void OnDeviceAdded(const std::wstring& id) {}
  virtual void OnDeviceRemoved(const std::wstring& id) {}
  virtual void OnDeviceStateChanged(const std::wstring& id, std::uint32_t state) {}
  // id is empty when the role has no default endpoint any more.
  virtual void OnDefaultDeviceChanged(Flow flow, Role role, const std::wstring& id) {}
  // key names the property ("{fmtid},pid"); empty when the adapter cannot tell which.
  virtual void OnPropertyValueChanged(const std::wstring& id, const std::wstring& key) {}
};

// Held by the subscriber; destroying it ends the subscription (see above).
class Subscription {
 public:
  virtual ~Subscription() = default;
};

class EndpointVolume {
 public:
  virtual ~EndpointVolume() = default;
  virtual ErrorCode GetMasterScalar(float* scalar) = 0;
  virtual ErrorCode SetMasterScalar(float scalar) = 0;
  virtual ErrorCode GetMute(bool* mute) = 0;
  virtual ErrorCode SetMute(bool mute) = 0;
  // Reports every change of this endpoint's volume or mute to the listener,
  // which must outlive the subscription. err::kNotSupported where the adapter
  // cannot watch.
  virtual ErrorCode Subscribe(VolumeListener* listener, std::unique_ptr<Subscription>* out) {
    return err::kNotSupported;
  }
};

class AudioEndpoint {
 public:
  virtual ~AudioEndpoint() = default;
  virtual const EndpointInfo& Info() const = 0;
  virtual ErrorCode ActivateVolume(std::unique_ptr<EndpointVolume>* out) = 0;
  // Activation of a stream client; it must succeed before the endpoint counts
  // as usable, even where the client itself is not used further.
  virtual ErrorCode ActivateClient() = 0;
};

class AudioSystem {
 public:
  virtual ~AudioSystem() = default;
  // err::kNotFound when the flow has no default endpoint for the role.
  virtual ErrorCode GetDefaultEndpoint(Flow flow, Role role, std::unique_ptr<AudioEndpoint>* out) = 0;
  // The endpoint with this id, in whatever state it is (activation fails
  // unless it is active); err::kNotFound when there is none.
  virtual ErrorCode GetEndpoint(const std::wstring& id, std::unique_ptr<AudioEndpoint>* out) {
    return err::kNotSupported;
  }
  // Endpoints of a flow whose state matches any bit of state_mask.
  virtual ErrorCode EnumerateEndpoints(Flow flow, std::uint32_t state_mask, std::vector<EndpointInfo>* out) = 0;
  // Reports endpoints arriving, leaving, changing state, default or
  // properties. err::kNotSupported where the adapter cannot watch.
  virtual ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) {
    return err::kNotSupported;
  }

  // Where the audio system runs the kit's processing itself rather than
  // through the effect slots in the store (a Linux desktop: a filter in front
  // of the endpoint, which becomes the default), the effect installer calls
  // these after writing or restoring the slots. Installing twice changes
  // nothing; removal gives the default back to the endpoint that had it.
  // err::kNotSupported where the slots in the store are all there is, and for
  // endpoints the kit cannot process; err::kNotFound for an unknown endpoint.
  // True where these calls do the work; the installer then leaves the store's
  // endpoint tree to the kit and restarts no audio service.
  virtual bool RunsProcessing() const { return false; }
  virtual ErrorCode InstallProcessing(const std::wstring& id) { return err::kNotSupported; }
  virtual ErrorCode RemoveProcessing(const std::wstring& id) { return err::kNotSupported; }
  virtual ErrorCode ProcessingInstalled(const std::wstring& id, bool* installed) { return err::kNotSupported; }
};

}  // namespace oro::platform
