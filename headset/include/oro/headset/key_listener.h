// The listener for the headset's virtual 7.1 key: a thread of its own with
// its own connection to the first supported device present. A press is handed
// to the owner; the owner's answer (the state the press produced) goes back
// to the headset from the same thread. While no headset is there the thread
// waits between looks instead of polling, and Stop() ends it promptly.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace oro::platform {
class HidBus;
}

namespace oro::headset {

class KeyListener {
 public:
  struct Timing {
    // One read waits at most this long, so Stop() and a pending
    // acknowledgement are served within it.
    int read_ms = 50;
    // The pause between looks for a headset that is absent or went away.
    int retry_ms = 1000;
  };

  // on_press runs on the listener's thread; it must only hand the press on.
  KeyListener(std::shared_ptr<platform::HidBus> bus, std::function<void()> on_press);
  KeyListener(std::shared_ptr<platform::HidBus> bus, std::function<void()> on_press, Timing timing);
  // Stops and joins.
  ~KeyListener();
  KeyListener(const KeyListener&) = delete;
  KeyListener& operator=(const KeyListener&) = delete;

  void Start();
  // Ends the thread and waits for it; safe to call more than once.
  void Stop();
  // Queues the acknowledgement of a press with the virtual 7.1 state it
  // produced; the listener writes it within one read. Any thread.
  void Acknowledge(std::uint8_t state);

  bool Connected() const { return connected_.load(); }
  // Bus look-ups made so far (each open attempt of the supported list);
  // shows that an absent headset is looked for rarely.
  std::uint64_t LookUps() const { return look_ups_.load(); }

 private:
  void Run();
  // Sleeps up to ms unless stopped; false once stopped.
  bool Pause(int ms);

  std::shared_ptr<platform::HidBus> bus_;
  std::function<void()> on_press_;
  Timing timing_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::deque<std::uint8_t> acknowledgements_;
  std::atomic<bool> connected_{false};
  std::atomic<std::uint64_t> look_ups_{0};
};

}  // namespace oro::headset
