// The simulated HID bus: every present collection is a listening Unix socket
// (SOCK_SEQPACKET, one report per packet) in the bus folder, next to a
// descriptor file that says what the class driver would report for it:
//
//   <bus>/<device>-<interface>-<collection>.sock
//   <bus>/<device>-<interface>-<collection>.desc   key=value lines:
//       vendor product release usage_page usage (hexadecimal),
//       interface collection input output feature (decimal),
//       report_ids (hexadecimal, separated by commas), manufacturer
//       product_name serial (UTF-8)
//
// The device side (SimHidHost) publishes and removes these files; the
// adapter only reads them, so any process of the state folder sees the bus.
#pragma once

#include <memory>
#include <string>

#include "oro/platform/hid_bus.h"

namespace oro::platform::sim {

// The bus folder of a state folder's simulated machine (StatePaths::sim_dir).
std::string HidBusDir(const std::string& sim_dir);

std::unique_ptr<HidBus> MakeSimHidBus(const std::string& bus_dir);

// The descriptor file's text and back; Parse is false for text that lacks a
// field or holds a value out of range.
std::string FormatHidDescriptor(const HidInterfaceInfo& info);
bool ParseHidDescriptor(const std::string& text, HidInterfaceInfo* info);

}  // namespace oro::platform::sim
