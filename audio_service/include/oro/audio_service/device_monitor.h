// CAudioDeviceMonitor follows the audio endpoints for the service. The audio
// system's callbacks only queue the notification; one worker thread handles
// them in order, keeping the plug bookkeeping and running the plug handling,
// so no callback thread is held for the seconds a plug can take.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "oro/audio_service/plug_handling.h"
#include "oro/platform/audio_system.h"
#include "oro/platform/debug_output.h"

namespace oro::audio_service {

class CAudioDeviceMonitor final : public platform::EndpointListener {
 public:
  // Default changes of all three roles of both flows make the mask complete.
  static constexpr int kCompleteMask = 0x77;

  CAudioDeviceMonitor(PlugHandler& handler, std::shared_ptr<platform::DebugOutput> debug);
  ~CAudioDeviceMonitor() override;
  CAudioDeviceMonitor(const CAudioDeviceMonitor&) = delete;
  CAudioDeviceMonitor& operator=(const CAudioDeviceMonitor&) = delete;

  // Subscribes to the endpoint notifications and starts the worker.
  platform::ErrorCode Register(platform::AudioSystem& audio);
  // Ends the subscription, then the worker (events still queued are dropped;
  // the service is stopping).
  void Unregister();

  void OnDeviceAdded(const std::wstring& id) override;
  void OnDeviceRemoved(const std::wstring& id) override;
  void OnDeviceStateChanged(const std::wstring& id, std::uint32_t state) override;
  void OnDefaultDeviceChanged(platform::Flow flow, platform::Role role, const std::wstring& id) override;

 private:
  enum class Kind { kAdded, kRemoved, kState, kDefault };
  struct Event {
    Kind kind;
    std::wstring id;
    std::uint32_t state = 0;
    int flow = 0;
    int role = 0;
  };

  void Post(Event event);
  void Work();
  void Handle(const Event& event);
  void Log(const wchar_t* format, ...);

  PlugHandler& handler_;
  std::shared_ptr<platform::DebugOutput> debug_;
  std::unique_ptr<platform::Subscription> subscription_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Event> queue_;
  bool stopping_ = false;
  std::thread worker_;

  // Touched by the worker only.
  int default_change_mask_ = 0;
  bool device_added_ = false;
  std::uint32_t last_device_state_ = 0;
};

}  // namespace oro::audio_service
