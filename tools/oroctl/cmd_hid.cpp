// oroctl hid list: the HID collections of the supported devices present, and
// which of them is the interface the kit talks to.
#include <cstdio>
#include <stdexcept>

#include "command.h"
#include "oro/common/hid_device.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro/tools/cli/json.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl hid list [--json]\n"
    "The HID collections of the supported devices present: identity, interface and collection,\n"
    "usage, report IDs and report lengths; \"entry\" is the supported-device list entry the\n"
    "collection answers to (the one the kit talks through), or -1.";

std::string Hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

int EntryOf(const platform::HidInterfaceInfo& info) {
  common::HidIdentity id;
  for (std::size_t i = 0; common::SupportedDeviceAt(i, &id); ++i) {
    if (common::InterfaceMatches(info, id, false)) return static_cast<int>(i);
  }
  return -1;
}

bool Supported(const platform::HidInterfaceInfo& info) {
  common::HidIdentity id;
  for (std::size_t i = 0; common::SupportedDeviceAt(i, &id); ++i) {
    if (id.vendor_id == info.vendor_id && id.product_id == info.product_id) return true;
  }
  return false;
}

int Run(const Args& args) {
  bool json = false;
  if (args.empty() || args[0] != "list") return UsageError(kUsage);
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] != "--json") return UsageError("hid list takes only --json, not '" + args[i] + "'");
    json = true;
  }
  platform::Platform p = platform::MakePlatformFromEnvironment();
  if (!p.hid) return Fail("this platform has no HID bus");
  std::vector<platform::HidInterfaceInfo> all;
  if (const auto rc = p.hid->Enumerate(&all)) return FailCode("cannot list the HID interfaces", rc);
  cli::Json rows = cli::Json::Array();
  int shown = 0;
  for (const auto& info : all) {
    if (!Supported(info)) continue;
    ++shown;
    std::string ids;
    cli::Json id_list = cli::Json::Array();
    for (auto id : info.report_ids) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%s%02X", ids.empty() ? "" : ",", id);
      ids += buf;
      id_list.Push(cli::Json::Int(id));
    }
    if (json) {
      cli::Json row = cli::Json::Object();
      row.Add("path", cli::Json::Text(info.path))
          .Add("vid", cli::Json::Text(Hex4(info.vendor_id)))
          .Add("pid", cli::Json::Text(Hex4(info.product_id)))
          .Add("interface", cli::Json::Int(info.interface_number))
          .Add("collection", cli::Json::Int(info.collection))
          .Add("usage_page", cli::Json::Text(Hex4(info.usage_page)))
          .Add("usage", cli::Json::Text(Hex4(info.usage)))
          .Add("report_ids", std::move(id_list))
          .Add("input_length", cli::Json::Int(info.input_report_length))
          .Add("output_length", cli::Json::Int(info.output_report_length))
          .Add("feature_length", cli::Json::Int(info.feature_report_length))
          .Add("product", cli::Json::Text(platform::ToUtf8(info.product)))
          .Add("entry", cli::Json::Int(EntryOf(info)));
      rows.Push(std::move(row));
    } else {
      const int entry = EntryOf(info);
      std::printf("%s:%s  interface %d  collection %d  usage %s:%s  reports %-5s  in %3u  out %3u  %s%s\n",
                  Hex4(info.vendor_id).c_str(), Hex4(info.product_id).c_str(), info.interface_number, info.collection,
                  Hex4(info.usage_page).c_str(), Hex4(info.usage).c_str(), ids.empty() ? "-" : ids.c_str(),
                  info.input_report_length, info.output_report_length, platform::ToUtf8(info.product).c_str(),
                  entry >= 0 ? ("  [entry " + std::to_string(entry) + "]").c_str() : "");
    }
  }
  if (json) {
    std::printf("%s\n", rows.Rows().c_str());
  } else if (shown == 0) {
    std::printf("no supported HID device is present\n");
  }
  return 0;
}

const CommandRegistrar kRegistrar{{"hid", "the HID collections of the supported devices present", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
