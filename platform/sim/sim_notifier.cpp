#include "sim_notifier.h"

#include <utility>

#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/text.h"

namespace oro::platform::sim {
namespace {

constexpr Flow kFlows[] = {Flow::kRender, Flow::kCapture};
constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

void ReadValues(RegistryStore& store, const std::wstring& key, SimNotifier::EndpointState* out) {
  KeyHandle h;
  if (store.OpenKey(RootKey::kLocalMachine, key, keyaccess::kQueryValue, &h)) return;
  for (std::uint32_t i = 0;; ++i) {
    std::wstring name;
    RegValue v;
    if (store.EnumValue(h, i, &name, &v)) return;
    std::vector<std::uint8_t> bytes = std::move(v.data);
    bytes.push_back(static_cast<std::uint8_t>(v.type));
    const std::wstring folded = FoldCase(name);
    out->properties[folded] = std::move(bytes);
    out->property_names[folded] = name;
  }
}

}  // namespace

ErrorCode ReadMachineState(RegistryStore& store, SimNotifier::MachineState* out) {
  SimMachine machine(store);
  std::vector<SimEndpoint> all;
  if (ErrorCode rc = machine.List(&all)) return rc;
  SimNotifier::MachineState m;
  for (const auto& e : all) {
    SimNotifier::EndpointState s;
    s.state = e.info.state;
    s.volume_readable = e.volume_error == 0;
    s.volume = e.volume;
    s.mute = e.mute;
    Flow flow;
    std::wstring guid;
    if (layout::ParseEndpointId(e.info.id, &flow, &guid)) {
      const std::wstring key = layout::EndpointKeyPath(flow, guid);
      ReadValues(store, key + L"\\" + layout::kPropertiesKey, &s);
      ReadValues(store, key + L"\\" + layout::kFxPropertiesKey, &s);
    }
    m.order.push_back(e.info.id);
    m.endpoints[FoldCase(e.info.id)] = std::move(s);
  }
  for (Flow f : kFlows) {
    for (Role r : kRoles) {
      std::wstring id;
      if (machine.GetDefault(f, r, &id) == err::kSuccess) {
        m.defaults[{static_cast<int>(f), static_cast<int>(r)}] = id;
      }
    }
  }
  *out = std::move(m);
  return err::kSuccess;
}

class SimNotifier::Handle final : public Subscription {
 public:
  Handle(std::shared_ptr<SimNotifier> owner, std::shared_ptr<Entry> entry)
      : owner_(std::move(owner)), entry_(std::move(entry)) {}
  ~Handle() override { owner_->Remove(entry_); }

 private:
  std::shared_ptr<SimNotifier> owner_;
  std::shared_ptr<Entry> entry_;
};

SimNotifier::SimNotifier(std::shared_ptr<RegistryStore> store, ChangeStampFn stamp)
    : store_(std::move(store)), stamp_(std::move(stamp)) {}

SimNotifier::~SimNotifier() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) {
    // The last reference can go inside a callback: the thread then ends on
    // its own once the round is over.
    if (OnDispatchThread()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }
}

ErrorCode SimNotifier::SubscribeVolume(const std::wstring& endpoint_id, VolumeListener* listener,
                                       std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoint_id = FoldCase(endpoint_id);
  entry->volume = listener;
  return Add(std::move(entry), out);
}

ErrorCode SimNotifier::SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoints = listener;
  return Add(std::move(entry), out);
}

ErrorCode SimNotifier::Add(std::shared_ptr<Entry> entry, std::unique_ptr<Subscription>* out) {
  std::unique_lock<std::mutex> round(dispatch_mutex_, std::defer_lock);
  if (!OnDispatchThread()) round.lock();
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    first = entries_.empty();
  }
  if (first && round.owns_lock()) {
    // Changes count from the moment of subscribing.
    std::uint64_t stamp = 0;
    have_stamp_ = stamp_ && stamp_(&stamp) == err::kSuccess;
    last_stamp_ = stamp;
    if (ErrorCode rc = ReadMachineState(*store_, &last_)) return rc;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return err::kInvalidHandle;
    entries_.push_back(entry);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  *out = std::make_unique<Handle>(shared_from_this(), std::move(entry));
  return err::kSuccess;
}

void SimNotifier::Remove(const std::shared_ptr<Entry>& entry) {
  entry->active = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (*it == entry) {
        entries_.erase(it);
        break;
      }
    }
  }
  // Wait for a round that may be calling this listener right now; inside
  // the round itself the flag above is enough.
  if (!OnDispatchThread()) {
    std::lock_guard<std::mutex> round(dispatch_mutex_);
  }
}

void SimNotifier::Run() {
  thread_id_ = std::this_thread::get_id();
  for (;;) {
    std::vector<std::shared_ptr<Entry>> to;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, kPollInterval, [this] { return stopping_; });
      if (stopping_) return;
      if (entries_.empty()) continue;
    }
    std::lock_guard<std::mutex> round(dispatch_mutex_);
    if (stamp_) {
      std::uint64_t stamp = 0;
      if (stamp_(&stamp) == err::kSuccess) {
        const bool same = have_stamp_ && stamp == last_stamp_;
        last_stamp_ = stamp;
        have_stamp_ = true;
        if (same) continue;
      }
    }
    MachineState now;
    if (ReadMachineState(*store_, &now)) continue;  // a busy or damaged store reports nothing
    {
      std::lock_guard<std::mutex> lock(mutex_);
      to = entries_;
    }
    Dispatch(last_, now, to);
    last_ = std::move(now);
  }
}

void SimNotifier::Dispatch(const MachineState& before, const MachineState& after,
                           const std::vector<std::shared_ptr<Entry>>& to) {
  const auto each_endpoint_listener = [&](const auto& call) {
    for (const auto& e : to) {
      if (e->endpoints && e->active) call(*e->endpoints);
    }
  };
  for (const auto& id : before.order) {
    if (!after.endpoints.count(FoldCase(id)))
      each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceRemoved(id); });
  }
  for (const auto& id : after.order) {
    if (!before.endpoints.count(FoldCase(id)))
      each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceAdded(id); });
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(FoldCase(id));
    if (old == before.endpoints.end()) continue;
    const EndpointState& now = after.endpoints.at(FoldCase(id));
    if (old->second.state != now.state) {
      each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceStateChanged(id, now.state); });
    }
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(FoldCase(id));
    if (old == before.endpoints.end()) continue;
    const EndpointState& now = after.endpoints.at(FoldCase(id));
    for (const auto& [key, bytes] : now.properties) {
      const auto was = old->second.properties.find(key);
      if (was == old->second.properties.end() || was->second != bytes) {
        const std::wstring& name = now.property_names.at(key);
        each_endpoint_listener([&](EndpointListener& l) { l.OnPropertyValueChanged(id, name); });
      }
    }
    for (const auto& [key, bytes] : old->second.properties) {
      if (!now.properties.count(key)) {
        const std::wstring& name = old->second.property_names.at(key);
        each_endpoint_listener([&](EndpointListener& l) { l.OnPropertyValueChanged(id, name); });
      }
    }
  }
  for (Flow f : kFlows) {
    for (Role r : kRoles) {
      const std::pair<int, int> k{static_cast<int>(f), static_cast<int>(r)};
      const auto b = before.defaults.find(k);
      const auto a = after.defaults.find(k);
      const std::wstring was = b == before.defaults.end() ? L"" : b->second;
      const std::wstring now = a == after.defaults.end() ? L"" : a->second;
      if (FoldCase(was) != FoldCase(now)) {
        each_endpoint_listener([&](EndpointListener& l) { l.OnDefaultDeviceChanged(f, r, now); });
      }
    }
  }
  for (const auto& id : after.order) {
    const std::wstring folded = FoldCase(id);
    const auto old = before.endpoints.find(folded);
    const EndpointState& now = after.endpoints.at(folded);
    if (old == before.endpoints.end() || !now.volume_readable) continue;
    if (old->second.volume_readable && old->second.volume == now.volume && old->second.mute == now.mute) continue;
    const VolumeNotification n{now.volume, now.mute};
    for (const auto& e : to) {
      if (e->volume && e->active && e->endpoint_id == folded) e->volume->OnVolumeNotify(n);
    }
  }
}

}  // namespace oro::platform::sim
