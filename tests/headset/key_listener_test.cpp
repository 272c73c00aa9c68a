// The 7.1 key listener against the kit's simulated headset served in this
// process: an absent headset is looked for only now and then until it comes
// back, then its presses reach the owner, the acknowledgement reaches the
// headset, a status reply is not a press, and nothing is heard once stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "oro/common/hid_device.h"
#include "oro/headset/headset_reports.h"
#include "oro/headset/key_listener.h"
#include "sim_hid_fixture.h"

namespace oro::test {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

class KeyListenerTest : public SimHidFixture {
 protected:
  bool StateHas(const std::string& what) { return Sim("headset state").find(what) != std::string::npos; }
};

TEST_F(KeyListenerTest, AnUnpluggedHeadsetIsLookedForRarelyAndHeardAgainOnceBack) {
  std::atomic<int> presses{0};
  headset::KeyListener listener(bus_, [&] { ++presses; }, {20, 200});
  Sim("dongle unplug");
  listener.Start();
  ASSERT_TRUE(WaitFor([&] { return listener.Connected(); }));
  Sim("headset unplug");
  ASSERT_TRUE(WaitFor([&] { return !listener.Connected(); }));

  // Nothing there for a second: a few rounds over the list, not a spin.
  const std::uint64_t before = listener.LookUps();
  std::this_thread::sleep_for(1s);
  const std::uint64_t looked = listener.LookUps() - before;
  EXPECT_LE(looked, 40u);

  Sim("headset plug");
  ASSERT_TRUE(WaitFor([&] { return listener.Connected(); }));
  Sim("headset press-71");
  ASSERT_TRUE(WaitFor([&] { return presses.load() == 1; }));
  listener.Acknowledge(1);
  ASSERT_TRUE(WaitFor([&] { return StateHas("virtual71=1 presses=1 acks=1"); })) << Sim("headset state");

  // A status reply reaches the listener's connection too; it is not a press.
  const headset::Payload query = headset::BuildStatusQuery();
  common::HidDevice other(bus_);
  ASSERT_TRUE(other.open(0x040B, 0xF779, 3, 2));
  ASSERT_TRUE(other.write(query.data(), query.size(), 2, 1000));
  std::uint8_t reply[64];
  ASSERT_GT(other.read(reply, sizeof reply, 2, 2000), 0);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(presses.load(), 1);

  // Nothing is heard once stopped.
  listener.Stop();
  EXPECT_FALSE(listener.Connected());
  Sim("headset press-71");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(presses.load(), 1);
}

}  // namespace
}  // namespace oro::test
