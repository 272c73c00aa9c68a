// The audio system of the simulated machine. Each call reads the store afresh,
// so an endpoint that oro-sim unplugs between two calls fails the second one,
// as a device that goes away does on the real system.
#include <memory>
#include <utility>

#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"
#include "sim_notifier.h"

namespace oro::platform::sim {
namespace {

using StorePtr = std::shared_ptr<RegistryStore>;
using NotifierPtr = std::shared_ptr<SimNotifier>;

// err::kNotFound unless the endpoint exists and is active.
ErrorCode CheckActive(RegistryStore& store, const std::wstring& id) {
  std::uint32_t state = 0;
  if (ErrorCode rc = SimMachine(store).GetState(id, &state)) return rc == err::kFileNotFound ? err::kNotFound : rc;
  return state == devstate::kActive ? err::kSuccess : err::kNotFound;
}

class SimEndpointVolume final : public EndpointVolume {
 public:
  SimEndpointVolume(StorePtr store, NotifierPtr notifier, std::wstring id)
      : store_(std::move(store)), notifier_(std::move(notifier)), id_(std::move(id)) {}

  ErrorCode GetMasterScalar(float* scalar) override {
    return WhenActive([&](SimMachine& m) { return m.GetVolume(id_, scalar); });
  }
  ErrorCode SetMasterScalar(float scalar) override {
    return WhenActive([&](SimMachine& m) { return m.SetVolume(id_, scalar); });
  }
  ErrorCode GetMute(bool* mute) override {
    return WhenActive([&](SimMachine& m) { return m.GetMute(id_, mute); });
  }
  ErrorCode SetMute(bool mute) override {
    return WhenActive([&](SimMachine& m) { return m.SetMute(id_, mute); });
  }
  ErrorCode Subscribe(VolumeListener* listener, std::unique_ptr<Subscription>* out) override {
    if (ErrorCode rc = CheckActive(*store_, id_)) return rc;
    return notifier_->SubscribeVolume(id_, listener, out);
  }

 private:
  // The interface dies with its device: every call checks the state first.
  template <typename Op>
  ErrorCode WhenActive(Op op) {
    if (ErrorCode rc = CheckActive(*store_, id_)) return rc;
    SimMachine machine(*store_);
    return op(machine);
  }

  StorePtr store_;
  NotifierPtr notifier_;
  std::wstring id_;
};

class SimAudioEndpoint final : public AudioEndpoint {
 public:
  SimAudioEndpoint(StorePtr store, NotifierPtr notifier, EndpointInfo info)
      : store_(std::move(store)), notifier_(std::move(notifier)), info_(std::move(info)) {}

  const EndpointInfo& Info() const override { return info_; }

  ErrorCode ActivateVolume(std::unique_ptr<EndpointVolume>* out) override {
    if (ErrorCode rc = CheckActive(*store_, info_.id)) return rc;
    *out = std::make_unique<SimEndpointVolume>(store_, notifier_, info_.id);
    return err::kSuccess;
  }

  ErrorCode ActivateClient() override { return CheckActive(*store_, info_.id); }

 private:
  StorePtr store_;
  NotifierPtr notifier_;
  EndpointInfo info_;
};

class SimAudioSystem final : public AudioSystem {
 public:
  SimAudioSystem(StorePtr store, ChangeStampFn stamp)
      : store_(std::move(store)), notifier_(std::make_shared<SimNotifier>(store_, std::move(stamp))) {}

  ErrorCode GetDefaultEndpoint(Flow flow, Role role, std::unique_ptr<AudioEndpoint>* out) override {
    SimMachine machine(*store_);
    std::wstring id;
    if (ErrorCode rc = machine.GetDefault(flow, role, &id)) return rc;
    SimEndpoint e;
    // A default naming a missing, foreign or inactive endpoint is no default:
    // the real system only hands out active endpoints.
    if (machine.Load(id, &e) != err::kSuccess || e.info.flow != flow || e.info.state != devstate::kActive) {
      return err::kNotFound;
    }
    *out = std::make_unique<SimAudioEndpoint>(store_, notifier_, std::move(e.info));
    return err::kSuccess;
  }

  ErrorCode GetEndpoint(const std::wstring& id, std::unique_ptr<AudioEndpoint>* out) override {
    SimEndpoint e;
    if (ErrorCode rc = SimMachine(*store_).Load(id, &e)) return rc == err::kFileNotFound ? err::kNotFound : rc;
    *out = std::make_unique<SimAudioEndpoint>(store_, notifier_, std::move(e.info));
    return err::kSuccess;
  }

  ErrorCode EnumerateEndpoints(Flow flow, std::uint32_t state_mask, std::vector<EndpointInfo>* out) override {
    std::vector<SimEndpoint> all;
    if (ErrorCode rc = SimMachine(*store_).List(&all)) return rc;
    out->clear();
    for (auto& e : all) {
      if (e.info.flow == flow && (e.info.state & state_mask) != 0) out->push_back(std::move(e.info));
    }
    return err::kSuccess;
  }

  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) override {
    return notifier_->SubscribeEndpoints(listener, out);
  }

 private:
  StorePtr store_;
  NotifierPtr notifier_;
};

}  // namespace

std::unique_ptr<AudioSystem> MakeSimAudioSystem(std::shared_ptr<RegistryStore> store, ChangeStampFn change_stamp) {
  return std::make_unique<SimAudioSystem>(std::move(store), std::move(change_stamp));
}

}  // namespace oro::platform::sim
