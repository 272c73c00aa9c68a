#include "pulse_notifier.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "pulse_endpoints.h"

namespace oro::platform::pulse {
namespace {

// The id of the endpoint a default device name stands for: the device itself,
// or the device behind the kit's filter; empty when that is no usable endpoint.
std::wstring DefaultId(const std::vector<DeviceRecord>& devices, const std::string& name) {
  const DeviceRecord* found = nullptr;
  for (const auto& d : devices) {
    if (d.name == name) found = &d;
  }
  if (!found) return {};
  const auto master = found->properties.find(kFilterMasterProperty);
  if (master != found->properties.end()) return DefaultId(devices, master->second);
  if (!IsEndpoint(*found) || found->unplugged) return {};
  return EndpointIdOf(found->kind, found->name);
}

// The property keys of what an endpoint's info carries.
struct PropertyOfInfo {
  const wchar_t* key;
  std::wstring EndpointInfo::*field;
};
constexpr PropertyOfInfo kInfoProperties[] = {
    {kPkeyFriendlyName, &EndpointInfo::name},
    {kPkeyAdapterName, &EndpointInfo::adapter_name},
    {kPkeyDevicePath, &EndpointInfo::device_path},
};

constexpr Flow kFlows[] = {Flow::kRender, Flow::kCapture};
constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

}  // namespace

ErrorCode ReadServerState(PulseClient& client, ServerState* out) {
  std::vector<DeviceRecord> sinks, sources;
  ServerDefaults defaults;
  if (ErrorCode rc = client.ListDevices(DeviceKind::kSink, &sinks)) return rc;
  if (ErrorCode rc = client.ListDevices(DeviceKind::kSource, &sources)) return rc;
  if (ErrorCode rc = client.Defaults(&defaults)) return rc;
  ServerState s;
  for (const auto* list : {&sinks, &sources}) {
    for (const auto& d : *list) {
      if (!IsEndpoint(d)) continue;
      ServerState::Endpoint e;
      e.info = EndpointInfoOf(d);
      e.volume = d.volume > 1.0f ? 1.0f : d.volume;
      e.mute = d.mute;
      s.order.push_back(e.info.id);
      s.endpoints[e.info.id] = std::move(e);
    }
  }
  s.default_render = DefaultId(sinks, defaults.sink);
  s.default_capture = DefaultId(sources, defaults.source);
  *out = std::move(s);
  return err::kSuccess;
}

struct PulseNotifier::Entry {
  std::wstring endpoint_id;  // empty for endpoint listeners
  VolumeListener* volume = nullptr;
  EndpointListener* endpoints = nullptr;
  std::atomic<bool> active{true};
};

struct PulseNotifier::Core {
  explicit Core(ClientOptions o) : options(std::move(o)) {}

  bool OnThread() const { return std::this_thread::get_id() == thread_id.load(); }

  static void Run(const std::shared_ptr<Core>& core);
  void Dispatch(const ServerState& before, const ServerState& after, const std::vector<std::shared_ptr<Entry>>& to);

  ClientOptions options;

  std::mutex mutex;  // entries, dirty, stopping, thread
  std::condition_variable wake;
  std::vector<std::shared_ptr<Entry>> entries;
  bool dirty = false;
  bool stopping = false;
  std::thread thread;
  std::atomic<std::thread::id> thread_id{};

  // Held while listeners are called and while `last` changes, so a handle
  // being destroyed waits for a callback but never for the server.
  std::mutex calls;
  ServerState last;
  std::uint64_t generation = 0;  // counts fresh readings by subscribers
  std::unique_ptr<PulseClient> client;
};

class PulseNotifier::Handle final : public Subscription {
 public:
  Handle(std::shared_ptr<PulseNotifier> owner, std::shared_ptr<Entry> entry)
      : owner_(std::move(owner)), entry_(std::move(entry)) {}

  ~Handle() override {
    Core& core = *owner_->core_;
    entry_->active = false;
    {
      std::lock_guard<std::mutex> lock(core.mutex);
      for (auto it = core.entries.begin(); it != core.entries.end(); ++it) {
        if (*it == entry_) {
          core.entries.erase(it);
          break;
        }
      }
    }
    // A callback running on the notifier's thread ends before this returns;
    // inside that callback the flag above is enough.
    if (!core.OnThread()) {
      std::lock_guard<std::mutex> wait(core.calls);
    }
  }

 private:
  std::shared_ptr<PulseNotifier> owner_;
  std::shared_ptr<Entry> entry_;
};

PulseNotifier::PulseNotifier(ClientOptions options) : core_(std::make_shared<Core>(std::move(options))) {}

PulseNotifier::~PulseNotifier() {
  {
    std::lock_guard<std::mutex> lock(core_->mutex);
    core_->stopping = true;
  }
  core_->wake.notify_all();
  if (!core_->thread.joinable()) return;
  // The last owner can go inside a callback: the thread, which shares the
  // core, then ends on its own after the round.
  if (core_->OnThread()) {
    core_->thread.detach();
  } else {
    core_->thread.join();
  }
}

ErrorCode PulseNotifier::SubscribeVolume(const std::shared_ptr<PulseNotifier>& owner, const std::wstring& endpoint_id,
                                         VolumeListener* listener, std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoint_id = endpoint_id;
  entry->volume = listener;
  return Add(owner, std::move(entry), out);
}

ErrorCode PulseNotifier::SubscribeEndpoints(const std::shared_ptr<PulseNotifier>& owner, EndpointListener* listener,
                                            std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoints = listener;
  return Add(owner, std::move(entry), out);
}

ErrorCode PulseNotifier::Add(const std::shared_ptr<PulseNotifier>& owner, std::shared_ptr<Entry> entry,
                             std::unique_ptr<Subscription>* out) {
  const std::shared_ptr<Core>& core = owner->core_;
  std::unique_lock<std::mutex> calls(core->calls, std::defer_lock);
  if (!core->OnThread()) calls.lock();
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(core->mutex);
    if (core->stopping) return err::kInvalidHandle;
    first = core->entries.empty();
  }
  if (!core->client) {
    core->client = std::make_unique<PulseClient>(core->options);
    // Watching starts before the first reading, so nothing between them is missed.
    Core* raw = core.get();
    core->client->Watch([raw] {
      {
        std::lock_guard<std::mutex> lock(raw->mutex);
        raw->dirty = true;
      }
      raw->wake.notify_all();
    });
  }
  if (first) {
    // Changes count from the moment of subscribing.
    if (ErrorCode rc = ReadServerState(*core->client, &core->last)) return rc;
    ++core->generation;
  }
  {
    std::lock_guard<std::mutex> lock(core->mutex);
    core->entries.push_back(entry);
    if (!core->thread.joinable()) core->thread = std::thread(Core::Run, core);
  }
  *out = std::make_unique<Handle>(owner, std::move(entry));
  return err::kSuccess;
}

void PulseNotifier::Core::Run(const std::shared_ptr<Core>& core) {
  core->thread_id = std::this_thread::get_id();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(core->mutex);
      core->wake.wait(lock, [&] { return core->stopping || core->dirty; });
      if (core->stopping) return;
      core->dirty = false;
    }
    std::uint64_t generation = 0;
    {
      std::lock_guard<std::mutex> lock(core->calls);
      generation = core->generation;
    }
    ServerState now;
    if (ReadServerState(*core->client, &now)) continue;  // the server is away; its return is reported
    std::lock_guard<std::mutex> calls(core->calls);
    if (generation != core->generation) {
      // A subscriber read the server meanwhile: this reading may be older.
      std::lock_guard<std::mutex> lock(core->mutex);
      core->dirty = true;
      continue;
    }
    std::vector<std::shared_ptr<Entry>> to;
    {
      std::lock_guard<std::mutex> lock(core->mutex);
      if (core->stopping) return;
      to = core->entries;
    }
    core->Dispatch(core->last, now, to);
    core->last = std::move(now);
  }
}

void PulseNotifier::Core::Dispatch(const ServerState& before, const ServerState& after,
                                   const std::vector<std::shared_ptr<Entry>>& to) {
  const auto each_endpoint_listener = [&](const auto& call) {
    for (const auto& e : to) {
      if (e->endpoints && e->active) call(*e->endpoints);
    }
  };
  for (const auto& id : before.order) {
    if (!after.endpoints.count(id)) each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceRemoved(id); });
  }
  for (const auto& id : after.order) {
    if (!before.endpoints.count(id)) each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceAdded(id); });
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(id);
    if (old == before.endpoints.end()) continue;
    const std::uint32_t state = after.endpoints.at(id).info.state;
    if (old->second.info.state != state) {
      each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceStateChanged(id, state); });
    }
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(id);
    if (old == before.endpoints.end()) continue;
    const EndpointInfo& now = after.endpoints.at(id).info;
    for (const auto& p : kInfoProperties) {
      if (old->second.info.*p.field != now.*p.field) {
        each_endpoint_listener([&](EndpointListener& l) { l.OnPropertyValueChanged(id, p.key); });
      }
    }
  }
  for (Flow f : kFlows) {
    const std::wstring& was = f == Flow::kRender ? before.default_render : before.default_capture;
    const std::wstring& now = f == Flow::kRender ? after.default_render : after.default_capture;
    if (was == now) continue;
    // One default per direction stands for every role.
    for (Role r : kRoles) each_endpoint_listener([&](EndpointListener& l) { l.OnDefaultDeviceChanged(f, r, now); });
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(id);
    if (old == before.endpoints.end()) continue;
    const ServerState::Endpoint& now = after.endpoints.at(id);
    if (old->second.volume == now.volume && old->second.mute == now.mute) continue;
    const VolumeNotification n{now.volume, now.mute};
    for (const auto& e : to) {
      if (e->volume && e->active && e->endpoint_id == id) e->volume->OnVolumeNotify(n);
    }
  }
}

}  // namespace oro::platform::pulse
