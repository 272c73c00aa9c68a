#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

#include "oro/platform/endpoint_notifier.h"
#include "oro/platform/pulse/pulse_audio_system.h"
#include "oro/platform/text.h"
#include "pulse_client.h"
#include "pulse_endpoints.h"
#include "pulse_filter_sink.h"

namespace oro::platform::pulse {
namespace {

using ClientPtr = std::shared_ptr<PulseClient>;

// The device behind an endpoint id, looked up afresh: ids are stable, server
// indices are not.
ErrorCode FindDevice(PulseClient& client, const std::wstring& id, DeviceRecord* out) {
  const bool render = id.rfind(L"{0.0.0.00000000}.", 0) == 0;
  if (!render && id.rfind(L"{0.0.1.00000000}.", 0) != 0) return err::kNotFound;
  std::vector<DeviceRecord> all;
  if (ErrorCode rc = client.ListDevices(render ? DeviceKind::kSink : DeviceKind::kSource, &all)) return rc;
  for (auto& d : all) {
    if (IsEndpoint(d) && EndpointIdOf(d.kind, d.name) == id) {
      *out = std::move(d);
      return err::kSuccess;
    }
  }
  return err::kNotFound;
}

// The server as notifications compare it. The server says that a device's
// properties changed, not which, so they are compared as one.
ErrorCode ReadSnapshot(PulseClient& client, AudioSnapshot* out) {
  ServerDefaults defaults;
  if (ErrorCode rc = client.Defaults(&defaults)) return rc;
  AudioSnapshot snap;
  for (DeviceKind kind : {DeviceKind::kSink, DeviceKind::kSource}) {
    std::vector<DeviceRecord> all;
    if (ErrorCode rc = client.ListDevices(kind, &all)) return rc;
    // The kit's filter in front of a device stands for that device, as in GetDefaultEndpoint.
    std::string default_name = kind == DeviceKind::kSink ? defaults.sink : defaults.source;
    for (const auto& d : all) {
      if (d.name != default_name) continue;
      const auto master = d.properties.find(kFilterMasterProperty);
      if (master != d.properties.end()) default_name = master->second;
      break;
    }
    for (const auto& d : all) {
      if (!IsEndpoint(d)) continue;
      const EndpointInfo info = EndpointInfoOf(d);
      EndpointSnapshot e;
      e.state = info.state;
      e.volume = std::min(d.volume, 1.0f);  // above the normal volume reads as full
      e.mute = d.mute;
      e.volume_readable = true;
      std::vector<std::uint8_t> props(d.description.begin(), d.description.end());
      for (const auto& [key, value] : d.properties) {
        props.push_back(0);
        props.insert(props.end(), key.begin(), key.end());
        props.push_back(0);
        props.insert(props.end(), value.begin(), value.end());
      }
      e.properties[L""] = std::move(props);
      e.property_names[L""] = L"";
      if (d.name == default_name && !d.unplugged) {
        for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
          snap.defaults[{static_cast<int>(FlowOf(kind)), static_cast<int>(role)}] = info.id;
        }
      }
      snap.order.push_back(info.id);
      snap.endpoints[FoldCase(info.id)] = std::move(e);
    }
  }
  *out = std::move(snap);
  return err::kSuccess;
}

// Notifications: a client of its own watches the server and pokes the
// notifier, which reads through the shared client on its own thread. The
// watch starts with the first subscription and ends with the last object of
// the audio system.
class PulseWatch {
 public:
  explicit PulseWatch(ClientPtr client) : client_(std::move(client)) {
    EndpointNotifier::Source source;
    source.read = [c = client_](AudioSnapshot* out) { return ReadSnapshot(*c, out); };
    notifier_ = std::make_shared<EndpointNotifier>(std::move(source));
  }
  ~PulseWatch() {
    if (watch_) watch_->Watch(nullptr);
  }

  ErrorCode SubscribeVolume(const std::wstring& id, VolumeListener* listener, std::unique_ptr<Subscription>* out) {
    if (ErrorCode rc = notifier_->SubscribeVolume(id, listener, out)) return rc;
    Start();
    return err::kSuccess;
  }
  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) {
    if (ErrorCode rc = notifier_->SubscribeEndpoints(listener, out)) return rc;
    Start();
    return err::kSuccess;
  }

 private:
  void Start() {
    std::call_once(started_, [this] {
      watch_ = std::make_unique<PulseClient>(client_->Options());
      std::weak_ptr<EndpointNotifier> notifier = notifier_;
      watch_->Watch([notifier] {
        if (auto n = notifier.lock()) n->Poke();
      });
    });
  }

  ClientPtr client_;
  std::shared_ptr<EndpointNotifier> notifier_;
  std::once_flag started_;
  std::unique_ptr<PulseClient> watch_;
};
using WatchPtr = std::shared_ptr<PulseWatch>;

class PulseEndpointVolume final : public EndpointVolume {
 public:
  PulseEndpointVolume(ClientPtr client, WatchPtr watch, DeviceKind kind, std::string name)
      : client_(std::move(client)), watch_(std::move(watch)), kind_(kind), name_(std::move(name)) {}

  ErrorCode GetMasterScalar(float* scalar) override {
    DeviceRecord d;
    if (ErrorCode rc = client_->GetDevice(kind_, name_, &d)) return rc;
    *scalar = d.volume > 1.0f ? 1.0f : d.volume;  // above the normal volume reads as full
    return err::kSuccess;
  }
  ErrorCode SetMasterScalar(float scalar) override { return client_->SetVolume(kind_, name_, scalar); }
  ErrorCode GetMute(bool* mute) override {
    DeviceRecord d;
    if (ErrorCode rc = client_->GetDevice(kind_, name_, &d)) return rc;
    *mute = d.mute;
    return err::kSuccess;
  }
  ErrorCode SetMute(bool mute) override { return client_->SetMute(kind_, name_, mute); }

  ErrorCode Subscribe(VolumeListener* listener, std::unique_ptr<Subscription>* out) override {
    DeviceRecord d;
    if (ErrorCode rc = client_->GetDevice(kind_, name_, &d)) return rc;  // a device that is gone cannot be watched
    return watch_->SubscribeVolume(EndpointIdOf(kind_, name_), listener, out);
  }

 private:
  ClientPtr client_;
  WatchPtr watch_;
  DeviceKind kind_;
  std::string name_;
};

class PulseEndpoint final : public AudioEndpoint {
 public:
  PulseEndpoint(ClientPtr client, WatchPtr watch, const DeviceRecord& device)
      : client_(std::move(client)),
        watch_(std::move(watch)),
        kind_(device.kind),
        name_(device.name),
        info_(EndpointInfoOf(device)) {}

  const EndpointInfo& Info() const override { return info_; }

  ErrorCode ActivateVolume(std::unique_ptr<EndpointVolume>* out) override {
    if (ErrorCode rc = ActivateClient()) return rc;
    *out = std::make_unique<PulseEndpointVolume>(client_, watch_, kind_, name_);
    return err::kSuccess;
  }

  // The device must still be there.
  ErrorCode ActivateClient() override {
    DeviceRecord d;
    return client_->GetDevice(kind_, name_, &d);
  }

 private:
  ClientPtr client_;
  WatchPtr watch_;
  DeviceKind kind_;
  std::string name_;
  EndpointInfo info_;
};

class PulseAudioSystem final : public AudioSystem {
 public:
  explicit PulseAudioSystem(const PulseOptions& o)
      : client_(std::make_shared<PulseClient>(ClientOptions{o.server, o.bound})),
        watch_(std::make_shared<PulseWatch>(client_)),
        plugin_(o.plugin_path.empty() ? PluginBesideThisModule() : o.plugin_path) {}

  ErrorCode GetDefaultEndpoint(Flow flow, Role role, std::unique_ptr<AudioEndpoint>* out) override {
    ServerDefaults defaults;
    if (ErrorCode rc = client_->Defaults(&defaults)) return rc;
    const DeviceKind kind = KindOf(flow);
    std::string name = kind == DeviceKind::kSink ? defaults.sink : defaults.source;
    if (name.empty()) return err::kNotFound;
    DeviceRecord d;
    if (ErrorCode rc = client_->GetDevice(kind, name, &d)) return rc;
    // The kit's filter in front of a device stands for that device.
    const auto master = d.properties.find(kFilterMasterProperty);
    if (master != d.properties.end()) {
      if (ErrorCode rc = client_->GetDevice(kind, master->second, &d)) return rc;
    }
    if (!IsEndpoint(d) || d.unplugged) return err::kNotFound;
    *out = std::make_unique<PulseEndpoint>(client_, watch_, d);
    return err::kSuccess;
  }

  ErrorCode EnumerateEndpoints(Flow flow, std::uint32_t state_mask, std::vector<EndpointInfo>* out) override {
    std::vector<DeviceRecord> all;
    out->clear();
    if (ErrorCode rc = client_->ListDevices(KindOf(flow), &all)) return rc;
    for (const auto& d : all) {
      if (!IsEndpoint(d)) continue;
      EndpointInfo info = EndpointInfoOf(d);
      if (info.state & state_mask) out->push_back(std::move(info));
    }
    return err::kSuccess;
  }

  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) override {
    return watch_->SubscribeEndpoints(listener, out);
  }

  ErrorCode InstallProcessing(const std::wstring& id) override {
    DeviceRecord d;
    if (ErrorCode rc = FindDevice(*client_, id, &d)) return rc;
    // The sound server filters what is played; the microphone's effects stay outside the kit.
    if (d.kind != DeviceKind::kSink) return err::kNotSupported;
    return InstallFilterSink(*client_, d, plugin_);
  }

  ErrorCode RemoveProcessing(const std::wstring& id) override {
    DeviceRecord d;
    if (ErrorCode rc = FindDevice(*client_, id, &d)) return rc;
    if (d.kind != DeviceKind::kSink) return err::kNotSupported;
    return RemoveFilterSink(*client_, d.name);
  }

  ErrorCode ProcessingInstalled(const std::wstring& id, bool* installed) override {
    DeviceRecord d, filter;
    if (ErrorCode rc = FindDevice(*client_, id, &d)) return rc;
    const ErrorCode rc = FindFilterSink(*client_, d.name, &filter);
    if (rc && rc != err::kNotFound) return rc;
    *installed = rc == err::kSuccess;
    return err::kSuccess;
  }

 private:
  ClientPtr client_;
  WatchPtr watch_;
  std::string plugin_;
};

}  // namespace

std::unique_ptr<AudioSystem> MakePulseAudioSystem(const PulseOptions& options) {
  return std::make_unique<PulseAudioSystem>(options);
}

}  // namespace oro::platform::pulse
