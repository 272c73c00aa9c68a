#include "oro/headset/key_listener.h"

#include "oro/common/hid_device.h"
#include "oro/headset/headset_reports.h"
#include "oro/platform/win32_codes.h"

namespace oro::headset {

KeyListener::KeyListener(std::shared_ptr<platform::HidBus> bus, std::function<void()> on_press)
    : KeyListener(std::move(bus), std::move(on_press), Timing{}) {}

KeyListener::KeyListener(std::shared_ptr<platform::HidBus> bus, std::function<void()> on_press, Timing timing)
    : bus_(std::move(bus)), on_press_(std::move(on_press)), timing_(timing) {}

KeyListener::~KeyListener() { Stop(); }

void KeyListener::Start() {
  if (thread_.joinable() || !bus_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  thread_ = std::thread([this] { Run(); });
}

void KeyListener::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  connected_ = false;
}

void KeyListener::Acknowledge(std::uint8_t state) {
  std::lock_guard<std::mutex> lock(mutex_);
  acknowledgements_.push_back(state);
}

bool KeyListener::Pause(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
  return !stopping_;
}

void KeyListener::Run() {
  common::HidDevice device(bus_);
  common::HidIdentity id;
  for (;;) {
    if (!device.isOpen()) {
      connected_ = false;
      bool opened = false;
      for (std::size_t i = 0; i < common::kSupportedDeviceCount && !opened; ++i) {
        if (!common::SupportedDeviceAt(i, &id) || (id.interface_number == 0 && id.report_id == 0)) continue;
        ++look_ups_;
        opened = device.open(id.vendor_id, id.product_id, id.interface_number, id.report_id);
      }
      if (!opened) {
        if (!Pause(timing_.retry_ms)) return;
        continue;
      }
      connected_ = true;
      // Acknowledgements meant for a headset that went away are dropped.
      std::lock_guard<std::mutex> lock(mutex_);
      acknowledgements_.clear();
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (stopping_) return;
      while (!acknowledgements_.empty()) {
        const Payload ack = BuildVirtual71Ack(static_cast<std::uint8_t>(acknowledgements_.front() ^ 1u));
        acknowledgements_.pop_front();
        lock.unlock();
        device.write(ack.data(), ack.size(), id.report_id, 0);
        lock.lock();
      }
    }
    Payload report{};
    const int got = device.read(report.data(), report.size(), id.report_id, timing_.read_ms);
    if (got <= 0) {
      if (device.lastError() != platform::err::kTimeout) {
        // Gone (or broken): look again after a pause rather than spin on it.
        device.close();
        if (!Pause(timing_.retry_ms)) return;
      }
      continue;
    }
    if (got >= device.inputReportLength() && IsVirtual71Key(report.data(), report.size())) on_press_();
  }
}

}  // namespace oro::headset
