// What the audio service does when the headset arrives or leaves: match the
// endpoint to a present supported device, install the processing object on
// new endpoints, start the panel in the console user's session, nudge the
// volume; on unplug, ask a running panel to exit. Runs on the monitor's
// worker thread; the volume nudge runs on a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "oro/common/hid_identity.h"
#include "oro/platform/platform.h"

namespace oro::audio_service {

// The USB identification among an endpoint's texts, lower-cased: the first
// that holds "usb\", "vid_" and "pid_". Empty when none does.
std::wstring FindUsbIdText(const platform::EndpointInfo& endpoint);
// The up to four hexadecimal digits after the first "vid_" (vendor) or
// "pid_" (product); 0 when there are none.
std::uint32_t ParseUsbId(const std::wstring& text, bool vendor);
// A file name that can go into a command line as it stands: not empty, no
// quote, no folder separator, no control character, not "." or "..".
bool IsPlainProgramName(const std::wstring& name);

// How long the plug handling waits; tests shorten it.
struct PlugTiming {
  int search_attempts = 10;
  std::chrono::milliseconds search_wait{1000};
  std::chrono::milliseconds nudge_wait{500};
  std::chrono::milliseconds nudge_settle{50};
  std::chrono::milliseconds nudge_restore{100};
  int nudge_rounds = 20;  // the bound of the nudge loop
};

class PlugHandler {
 public:
  using Timing = PlugTiming;

  // `program_path` is the service's own executable (the processing object
  // lies beside it).
  PlugHandler(platform::Platform& platform, std::wstring program_path, Timing timing = PlugTiming());
  ~PlugHandler();
  PlugHandler(const PlugHandler&) = delete;
  PlugHandler& operator=(const PlugHandler&) = delete;

  // The plug handling for the endpoint that became default last. True when
  // it ran to the end (the monitor then clears its mask), false when the
  // endpoint is not a present supported device's.
  bool Plug(const std::wstring& endpoint_id, bool install);
  void Unplug();
  // Ends every wait at once and waits for the nudge thread.
  void Shutdown();

 private:
  std::vector<common::HidIdentity> PresentSupportedDevices();
  void StartPanel();
  bool LaunchInUserSession(const std::wstring& name);
  bool IsProcessRunning(const std::wstring& name);
  void StartNudge();
  void Nudge();
  // False when the wait was cut short by Shutdown().
  bool Wait(std::chrono::milliseconds d);
  void Log(const wchar_t* format, ...);

  platform::Platform& platform_;
  std::wstring program_path_;
  Timing timing_;
  std::mutex wait_mutex_;
  std::condition_variable wait_cv_;
  bool shutting_down_ = false;
  std::atomic<bool> nudge_busy_{false};
  std::thread nudge_;
  std::mutex nudge_mutex_;
};

}  // namespace oro::audio_service
