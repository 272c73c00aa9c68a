#include "oro/audio_service/device_monitor.h"

#include <cstdarg>
#include <exception>

#include "oro/common/debug_print.h"
#include "oro/common/registry_exception.h"
#include "oro/common/service_control.h"

namespace oro::audio_service {

CAudioDeviceMonitor::CAudioDeviceMonitor(PlugHandler& handler, std::shared_ptr<platform::DebugOutput> debug)
    : handler_(handler), debug_(std::move(debug)) {}

CAudioDeviceMonitor::~CAudioDeviceMonitor() { Unregister(); }

platform::ErrorCode CAudioDeviceMonitor::Register(platform::AudioSystem& audio) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  const platform::ErrorCode rc = audio.SubscribeEndpoints(this, &subscription_);
  if (rc) Unregister();
  return rc;
}

void CAudioDeviceMonitor::Unregister() {
  // No callback runs once the subscription is gone, so nothing posts after.
  subscription_.reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void CAudioDeviceMonitor::OnDeviceAdded(const std::wstring& id) { Post({Kind::kAdded, id}); }
void CAudioDeviceMonitor::OnDeviceRemoved(const std::wstring& id) { Post({Kind::kRemoved, id}); }
void CAudioDeviceMonitor::OnDeviceStateChanged(const std::wstring& id, std::uint32_t state) {
  Post({Kind::kState, id, state});
}
void CAudioDeviceMonitor::OnDefaultDeviceChanged(platform::Flow flow, platform::Role role, const std::wstring& id) {
  Post({Kind::kDefault, id, 0, static_cast<int>(flow), static_cast<int>(role)});
}

void CAudioDeviceMonitor::Post(Event event) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(event));
  }
  wake_.notify_one();
}

void CAudioDeviceMonitor::Work() {
  for (;;) {
    Event event;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      event = std::move(queue_.front());
      queue_.pop_front();
    }
    // Nothing that goes wrong with one notification ends the service.
    try {
      Handle(event);
    } catch (const common::RegistryException& e) {
      Log(L"[quenta]notification not handled: %s", e.Message().c_str());
    } catch (const common::ServiceException& e) {
      Log(L"[quenta]notification not handled: %s", e.Message().c_str());
    } catch (const std::exception& e) {
      Log(L"[quenta]notification not handled: %hs", e.what());
    } catch (...) {
      Log(L"[quenta]notification not handled");
    }
  }
}

void CAudioDeviceMonitor::Handle(const Event& event) {
  switch (event.kind) {
    case Kind::kState:
      Log(L"[quenta] OnDeviceStateChanged:%s state=%d\n", event.id.c_str(), static_cast<int>(event.state));
      last_device_state_ = event.state == platform::devstate::kActive ? 1 : 2;
      return;
    case Kind::kAdded:
      Log(L"[quenta] Audio device ADDED:%s\n", event.id.c_str());
      device_added_ = true;
      return;
    case Kind::kRemoved:
      Log(L"[quenta] Audio device REMOVED:%s\n", event.id.c_str());
      return;
    case Kind::kDefault:
      break;
  }
  Log(L"[quenta] Default audio device changed flow=%d role=%d\n", event.flow, event.role);
  // Only the known flows and roles have a bit; anything else changes nothing.
  if (event.role < 0 || event.role > 2 || event.flow < 0 || event.flow > 1) return;
  default_change_mask_ |= 1 << (event.role + (event.flow == 1 ? 4 : 0));
  if (default_change_mask_ != kCompleteMask) return;
  if (last_device_state_ == 1) {
    if (handler_.Plug(event.id, device_added_)) default_change_mask_ = 0;
  } else if (last_device_state_ == 2) {
    device_added_ = false;
    default_change_mask_ = 0;
    handler_.Unplug();
  }
}

void CAudioDeviceMonitor::Log(const wchar_t* format, ...) {
  if (!debug_) return;
  va_list args;
  va_start(args, format);
  common::DebugPrintWV(*debug_, format, args);
  va_end(args);
}

}  // namespace oro::audio_service
