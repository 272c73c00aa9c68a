// Volume and endpoint notifications of the host's audio system. The sound
// server reports that something changed, not what: a thread of the notifier
// reads the server's sinks, sources and defaults after each report (reports
// that arrive meanwhile make one more reading) and tells every subscriber the
// differences from the last reading, in this order: endpoints removed, added,
// state changes, property changes, default changes, then volume and mute.
//
// The notifier has a connection of its own, opened by the first subscription,
// so a watch never waits behind the callers' requests. While the server is
// away nothing is reported; once it is back (it is looked for every half
// second) the differences from before are.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/audio_system.h"
#include "pulse_client.h"

namespace oro::platform::pulse {

// The server as the notifier compares it.
struct ServerState {
  struct Endpoint {
    EndpointInfo info;
    float volume = 0.0f;  // as GetMasterScalar reads it
    bool mute = false;
  };
  std::vector<std::wstring> order;  // endpoint ids, sinks first, in the server's order
  std::map<std::wstring, Endpoint> endpoints;
  std::wstring default_render;  // empty: none
  std::wstring default_capture;
};

ErrorCode ReadServerState(PulseClient& client, ServerState* out);

class PulseNotifier {
 public:
  explicit PulseNotifier(ClientOptions options);
  ~PulseNotifier();
  PulseNotifier(const PulseNotifier&) = delete;
  PulseNotifier& operator=(const PulseNotifier&) = delete;

  // The handle keeps `owner` (this notifier) alive. The first subscription
  // reads the server, so changes count from then on; it fails with the
  // server's error when there is none to read.
  static ErrorCode SubscribeVolume(const std::shared_ptr<PulseNotifier>& owner, const std::wstring& endpoint_id,
                                   VolumeListener* listener, std::unique_ptr<Subscription>* out);
  static ErrorCode SubscribeEndpoints(const std::shared_ptr<PulseNotifier>& owner, EndpointListener* listener,
                                      std::unique_ptr<Subscription>* out);

 private:
  struct Core;
  struct Entry;
  class Handle;
  static ErrorCode Add(const std::shared_ptr<PulseNotifier>& owner, std::shared_ptr<Entry> entry,
                       std::unique_ptr<Subscription>* out);

  std::shared_ptr<Core> core_;  // shared with the thread, which may outlive this object by one round
};

}  // namespace oro::platform::pulse
