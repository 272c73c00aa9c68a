// The device side of the simulated HID bus: publishes the collections of
// simulated devices in the bus folder, accepts connections, hands every output
// report to its device and delivers the device's input reports to every
// connection of the collection. One thread runs it all; devices are called on
// that thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/hid_bus.h"

namespace oro::platform::sim {

using HidReport = std::vector<std::uint8_t>;

// What a device can do on the bus.
class SimHidPort {
 public:
  virtual ~SimHidPort() = default;
  // Delivers an input report on one of the device's collections (index into
  // its Collections()) after delay_ms.
  virtual void Send(std::size_t collection, HidReport report, int delay_ms) = 0;
  // Runs fn on the host's thread after delay_ms.
  virtual void After(int delay_ms, std::function<void()> fn) = 0;
  // Unplugging ends every connection and removes the collections from the bus.
  virtual void SetPlugged(bool plugged) = 0;
  virtual bool Plugged() const = 0;
};

class SimHidDevice {
 public:
  virtual ~SimHidDevice() = default;
  // Names the device in file names and control commands: [a-z0-9]+.
  virtual std::string Name() const = 0;
  virtual std::vector<HidInterfaceInfo> Collections() const = 0;
  virtual void Attach(SimHidPort* port) = 0;
  virtual void OnOutput(std::size_t collection, const HidReport& report) = 0;
  // One control command (the words after the device's name). The reply is a
  // text; one that starts with "error:" tells the caller it failed.
  virtual std::string Control(const std::vector<std::string>& words) = 0;
};

class SimHidHost {
 public:
  explicit SimHidHost(std::string bus_dir);
  ~SimHidHost();
  SimHidHost(const SimHidHost&) = delete;
  SimHidHost& operator=(const SimHidHost&) = delete;

  // Before Start or Run. Devices start plugged in.
  void AddDevice(std::shared_ptr<SimHidDevice> device);
  // Publishes the devices and serves them on a thread of the host's own.
  // err::kAlreadyExists when another host serves the bus folder.
  ErrorCode Start();
  // The same on the calling thread, until Stop, a "stop" command or the bus
  // folder's removal (so a host never outlives its state folder).
  ErrorCode Run();
  void Stop();

  // Runs a control command on the host's thread and returns its reply:
  //   DEVICE plug | DEVICE unplug | list | stop | DEVICE <device's own command>
  std::string Control(const std::string& line);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The control socket of a bus folder, for other processes.
std::string SimHidControlPath(const std::string& bus_dir);
// Sends one command to the host serving bus_dir. err::kFileNotFound or
// err::kDeviceNotConnected when no host serves it; err::kTimeout when it does
// not answer within timeout_ms.
ErrorCode SendSimHidControl(const std::string& bus_dir, const std::string& line, int timeout_ms, std::string* reply);

}  // namespace oro::platform::sim
