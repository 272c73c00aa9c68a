#include "sim_notifier.h"

#include <utility>

#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/text.h"

namespace oro::platform::sim {
namespace {

constexpr Flow kFlows[] = {Flow::kRender, Flow::kCapture};
constexpr Role kRoles[] = {Role::kConsole, Role::kMultimedia, Role::kCommunications};

void ReadValues(RegistryStore& store, const std::wstring& key, EndpointSnapshot* out) {
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

// Bounds the re-reads of a machine that keeps changing.
constexpr int kConsistentReadAttempts = 20;

ErrorCode ReadMachineState(RegistryStore& store, AudioSnapshot* out) {
  SimMachine machine(store);
  std::vector<SimEndpoint> all;
  if (ErrorCode rc = machine.List(&all)) return rc;
  AudioSnapshot m;
  for (const auto& e : all) {
    EndpointSnapshot s;
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

std::shared_ptr<EndpointNotifier> MakeSimNotifier(std::shared_ptr<RegistryStore> store, ChangeStampFn stamp) {
  // Only the notifier's round calls `changed`, under its lock.
  struct Stamp {
    std::uint64_t last = 0;
    bool known = false;
  };
  EndpointNotifier::Source source;
  source.read = [store](AudioSnapshot* out) { return ReadMachineState(*store, out); };
  if (stamp) {
    // The machine is read key by key, not in one transaction: a change made
    // meanwhile (a replug's states and defaults) would give a mix of before
    // and after, and the difference to the next round would miss events.
    // Read again until no commit fell inside the read.
    source.read = [store, stamp](AudioSnapshot* out) {
      ErrorCode rc = err::kSuccess;
      for (int attempt = 0; attempt < kConsistentReadAttempts; ++attempt) {
        std::uint64_t before = 0, after = 0;
        const bool stamped = stamp(&before) == err::kSuccess;
        rc = ReadMachineState(*store, out);
        if (rc || !stamped || (stamp(&after) == err::kSuccess && after == before)) return rc;
      }
      return rc;  // changing without pause: the last read stands
    };
    source.changed = [stamp = std::move(stamp), seen = std::make_shared<Stamp>()] {
      std::uint64_t now = 0;
      if (stamp(&now) != err::kSuccess) return true;  // cannot tell: look
      const bool same = seen->known && now == seen->last;
      seen->last = now;
      seen->known = true;
      return !same;
    };
  }
  source.poll_interval = kNotifyPollInterval;
  return std::make_shared<EndpointNotifier>(std::move(source));
}

}  // namespace oro::platform::sim
