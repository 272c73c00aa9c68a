// For audio system adapters: notifications made by comparing snapshots. One
// thread per notifier reads the system when it may have changed (every poll
// interval when the source cannot say, or after Poke) and reports the
// differences to every subscriber, in the order they subscribed and always in
// this order per round: endpoints removed, added, state changes, property
// changes, default changes, then volume and mute.
//
// A subscription ends when its handle is destroyed; the destructor waits for
// a round that may be calling its listener on another thread, and inside a
// callback ending it (or any other) is allowed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "oro/platform/audio_system.h"

namespace oro::platform {

struct EndpointSnapshot {
  std::uint32_t state = 0;
  float volume = 0.0f;
  bool mute = false;
  bool volume_readable = false;
  std::map<std::wstring, std::vector<std::uint8_t>> properties;  // folded key -> value as compared
  std::map<std::wstring, std::wstring> property_names;           // folded key -> as reported
};

struct AudioSnapshot {
  std::vector<std::wstring> order;                       // endpoint ids in a stable order
  std::map<std::wstring, EndpointSnapshot> endpoints;    // by folded id
  std::map<std::pair<int, int>, std::wstring> defaults;  // (flow, role) -> id
};

class EndpointNotifier : public std::enable_shared_from_this<EndpointNotifier> {
 public:
  struct Source {
    // Reads the system as it is now.
    std::function<ErrorCode(AudioSnapshot*)> read;
    // Asked before each read: false when the system certainly has not
    // changed since the last call, so the read is skipped. Null: always read.
    std::function<bool()> changed;
    // How often to look without a Poke; zero: only after a Poke.
    std::chrono::milliseconds poll_interval{0};
  };

  explicit EndpointNotifier(Source source);
  ~EndpointNotifier();
  EndpointNotifier(const EndpointNotifier&) = delete;
  EndpointNotifier& operator=(const EndpointNotifier&) = delete;

  ErrorCode SubscribeVolume(const std::wstring& endpoint_id, VolumeListener* listener,
                            std::unique_ptr<Subscription>* out);
  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out);

  // The system may have changed: a round runs soon. Any thread.
  void Poke();

 private:
  struct Entry {
    std::wstring endpoint_id;  // folded; empty for endpoint listeners
    VolumeListener* volume = nullptr;
    EndpointListener* endpoints = nullptr;
    std::atomic<bool> active{true};
  };
  class Handle;

  ErrorCode Add(std::shared_ptr<Entry> entry, std::unique_ptr<Subscription>* out);
  void Remove(const std::shared_ptr<Entry>& entry);
  void Run();
  bool OnDispatchThread() const { return std::this_thread::get_id() == thread_id_.load(); }

  Source source_;

  std::mutex mutex_;  // entries_, stopping_, poked_, thread start
  std::condition_variable wake_;
  std::vector<std::shared_ptr<Entry>> entries_;
  bool stopping_ = false;
  bool poked_ = false;
  std::thread thread_;
  std::atomic<std::thread::id> thread_id_{};

  std::mutex dispatch_mutex_;  // held for a whole round of reading and calling back
  AudioSnapshot last_;
};

}  // namespace oro::platform
