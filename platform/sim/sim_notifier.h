// Notifications of the simulated audio system. One thread per audio system
// object polls the store's change stamp (a cheap query) and, when something
// was committed, reads the machine and reports the differences to every
// subscriber, in the order they subscribed and always in this order per
// round: endpoints removed, added, state changes, property changes, default
// changes, then volume and mute.
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
#include <vector>

#include "oro/platform/audio_system.h"
#include "oro/platform/registry_store.h"

namespace oro::platform::sim {

using ChangeStampFn = std::function<ErrorCode(std::uint64_t*)>;

class SimNotifier : public std::enable_shared_from_this<SimNotifier> {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{20};

  SimNotifier(std::shared_ptr<RegistryStore> store, ChangeStampFn stamp);
  ~SimNotifier();
  SimNotifier(const SimNotifier&) = delete;
  SimNotifier& operator=(const SimNotifier&) = delete;

  ErrorCode SubscribeVolume(const std::wstring& endpoint_id, VolumeListener* listener,
                            std::unique_ptr<Subscription>* out);
  ErrorCode SubscribeEndpoints(EndpointListener* listener, std::unique_ptr<Subscription>* out);

  struct EndpointState {
    std::uint32_t state = 0;
    float volume = 0.0f;
    bool mute = false;
    bool volume_readable = false;
    std::map<std::wstring, std::vector<std::uint8_t>> properties;  // folded key name -> type and bytes
    std::map<std::wstring, std::wstring> property_names;           // folded -> as stored
  };
  struct MachineState {
    std::vector<std::wstring> order;  // endpoint ids in the store's order
    std::map<std::wstring, EndpointState> endpoints;
    std::map<std::pair<int, int>, std::wstring> defaults;
  };

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
  void Dispatch(const MachineState& before, const MachineState& after, const std::vector<std::shared_ptr<Entry>>& to);
  bool OnDispatchThread() const { return std::this_thread::get_id() == thread_id_.load(); }

  std::shared_ptr<RegistryStore> store_;
  ChangeStampFn stamp_;

  std::mutex mutex_;  // entries_, stopping_, thread start
  std::condition_variable wake_;
  std::vector<std::shared_ptr<Entry>> entries_;
  bool stopping_ = false;
  std::thread thread_;
  std::atomic<std::thread::id> thread_id_{};

  std::mutex dispatch_mutex_;  // held for a whole round of reading and calling back
  MachineState last_;
  std::uint64_t last_stamp_ = 0;
  bool have_stamp_ = false;
};

// The machine as the notifier compares it (exposed for the adapter).
ErrorCode ReadMachineState(RegistryStore& store, SimNotifier::MachineState* out);

}  // namespace oro::platform::sim
