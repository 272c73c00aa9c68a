#include "oro/platform/endpoint_notifier.h"

#include "oro/platform/text.h"

namespace oro::platform {
namespace {

constexpr Flow kFlows[] = {Flow::kRender, Flow::kCapture};
constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

}  // namespace

class EndpointNotifier::Handle final : public Subscription {
 public:
  Handle(std::shared_ptr<EndpointNotifier> owner, std::shared_ptr<Entry> entry)
      : owner_(std::move(owner)), entry_(std::move(entry)) {}
  ~Handle() override { owner_->Remove(entry_); }

 private:
  std::shared_ptr<EndpointNotifier> owner_;
  std::shared_ptr<Entry> entry_;
};

EndpointNotifier::EndpointNotifier(Source source) : source_(std::move(source)) {}

EndpointNotifier::~EndpointNotifier() {
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

ErrorCode EndpointNotifier::SubscribeVolume(const std::wstring& endpoint_id, VolumeListener* listener,
                                            std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoint_id = FoldCase(endpoint_id);
  entry->volume = listener;
  return Add(std::move(entry), out);
}

ErrorCode EndpointNotifier::SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out) {
  if (!listener || !out) return err::kInvalidParameter;
  auto entry = std::make_shared<Entry>();
  entry->endpoints = listener;
  return Add(std::move(entry), out);
}

void EndpointNotifier::Poke() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    poked_ = true;
  }
  wake_.notify_all();
}

ErrorCode EndpointNotifier::Add(std::shared_ptr<Entry> entry, std::unique_ptr<Subscription>* out) {
  std::unique_lock<std::mutex> round(dispatch_mutex_, std::defer_lock);
  if (!OnDispatchThread()) round.lock();
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    first = entries_.empty();
  }
  if (first && round.owns_lock()) {
    // Changes count from the moment of subscribing.
    if (source_.changed) source_.changed();
    if (ErrorCode rc = source_.read(&last_)) return rc;
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

void EndpointNotifier::Remove(const std::shared_ptr<Entry>& entry) {
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

namespace {

// The differences between two snapshots, in the fixed order.
template <typename EachEndpointListener, typename Volume>
void Dispatch(const AudioSnapshot& before, const AudioSnapshot& after, EachEndpointListener&& each_endpoint_listener,
              Volume&& volume) {
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
    const EndpointSnapshot& now = after.endpoints.at(FoldCase(id));
    if (old->second.state != now.state) {
      each_endpoint_listener([&](EndpointListener& l) { l.OnDeviceStateChanged(id, now.state); });
    }
  }
  for (const auto& id : after.order) {
    const auto old = before.endpoints.find(FoldCase(id));
    if (old == before.endpoints.end()) continue;
    const EndpointSnapshot& now = after.endpoints.at(FoldCase(id));
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
    const EndpointSnapshot& now = after.endpoints.at(folded);
    if (old == before.endpoints.end() || !now.volume_readable) continue;
    if (old->second.volume_readable && old->second.volume == now.volume && old->second.mute == now.mute) continue;
    volume(folded, VolumeNotification{now.volume, now.mute});
  }
}

}  // namespace

void EndpointNotifier::Run() {
  thread_id_ = std::this_thread::get_id();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto woken = [this] { return stopping_ || poked_; };
      if (source_.poll_interval.count() > 0) {
        wake_.wait_for(lock, source_.poll_interval, woken);
      } else {
        wake_.wait(lock, woken);
      }
      if (stopping_) return;
      poked_ = false;
      if (entries_.empty()) continue;
    }
    std::lock_guard<std::mutex> round(dispatch_mutex_);
    if (source_.changed && !source_.changed()) continue;
    AudioSnapshot now;
    if (source_.read(&now)) continue;  // a system that cannot be read now reports nothing
    std::vector<std::shared_ptr<Entry>> to;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      to = entries_;
    }
    Dispatch(
        last_, now,
        [&](const auto& call) {
          for (const auto& e : to) {
            if (e->endpoints && e->active) call(*e->endpoints);
          }
        },
        [&](const std::wstring& folded, const VolumeNotification& n) {
          for (const auto& e : to) {
            if (e->volume && e->active && e->endpoint_id == folded) e->volume->OnVolumeNotify(n);
          }
        });
    last_ = std::move(now);
  }
}

}  // namespace oro::platform
