#include <memory>
#include <utility>

#include "oro/platform/pulse/pulse_audio_system.h"
#include "pulse_client.h"
#include "pulse_endpoints.h"
#include "pulse_filter_sink.h"
#include "pulse_notifier.h"

namespace oro::platform::pulse {
namespace {

using ClientPtr = std::shared_ptr<PulseClient>;
using NotifierPtr = std::shared_ptr<PulseNotifier>;

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

class PulseEndpointVolume final : public EndpointVolume {
 public:
  PulseEndpointVolume(ClientPtr client, NotifierPtr notifier, DeviceKind kind, std::string name)
      : client_(std::move(client)), notifier_(std::move(notifier)), kind_(kind), name_(std::move(name)) {}

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
    return PulseNotifier::SubscribeVolume(notifier_, EndpointIdOf(kind_, name_), listener, out);
  }

 private:
  ClientPtr client_;
  NotifierPtr notifier_;
  DeviceKind kind_;
  std::string name_;
};

class PulseEndpoint final : public AudioEndpoint {
 public:
  PulseEndpoint(ClientPtr client, NotifierPtr notifier, const DeviceRecord& device)
      : client_(std::move(client)),
        notifier_(std::move(notifier)),
        kind_(device.kind),
        name_(device.name),
        info_(EndpointInfoOf(device)) {}

  const EndpointInfo& Info() const override { return info_; }

  ErrorCode ActivateVolume(std::unique_ptr<EndpointVolume>* out) override {
    if (ErrorCode rc = ActivateClient()) return rc;
    *out = std::make_unique<PulseEndpointVolume>(client_, notifier_, kind_, name_);
    return err::kSuccess;
  }

  // The device must still be there, with something plugged in.
  ErrorCode ActivateClient() override {
    DeviceRecord d;
    if (ErrorCode rc = client_->GetDevice(kind_, name_, &d)) return rc;
    return d.unplugged ? err::kNotFound : err::kSuccess;
  }

 private:
  ClientPtr client_;
  NotifierPtr notifier_;
  DeviceKind kind_;
  std::string name_;
  EndpointInfo info_;
};

class PulseAudioSystem final : public AudioSystem {
 public:
  explicit PulseAudioSystem(const PulseOptions& o)
      : client_(std::make_shared<PulseClient>(ClientOptions{o.server, o.bound})),
        notifier_(std::make_shared<PulseNotifier>(ClientOptions{o.server, o.bound})),
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
    *out = std::make_unique<PulseEndpoint>(client_, notifier_, d);
    return err::kSuccess;
  }

  ErrorCode GetEndpoint(const std::wstring& id, std::unique_ptr<AudioEndpoint>* out) override {
    DeviceRecord d;
    if (ErrorCode rc = FindDevice(*client_, id, &d)) return rc;
    *out = std::make_unique<PulseEndpoint>(client_, notifier_, d);
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
    return PulseNotifier::SubscribeEndpoints(notifier_, listener, out);
  }

  bool RunsProcessing() const override { return true; }

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
  NotifierPtr notifier_;
  std::string plugin_;
};

}  // namespace

std::unique_ptr<AudioSystem> MakePulseAudioSystem(const PulseOptions& options) {
  return std::make_unique<PulseAudioSystem>(options);
}

}  // namespace oro::platform::pulse
