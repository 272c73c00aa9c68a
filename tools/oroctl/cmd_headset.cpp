// oroctl headset: the status query, the lighting command and the firmware
// update, through the device library's exports as the panel uses them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "command.h"
#include "oro/headset/headset_reports.h"
#include "oro/platform/file_reader.h"
#include "oro/tools/cli/json.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl headset status [--json]\n"
    "       oroctl headset light MODE SPEED RRGGBB\n"
    "       oroctl headset firmware FILE --target dongle|earphone\n"
    "MODE is off, steady, breathing, cycle, music or 0 to 4; SPEED 1 (fast) to 20 (slow);\n"
    "RRGGBB the colour in hexadecimal. The firmware update goes to the first supported device\n"
    "present and tells it the target (mode 1 dongle, 2 earphone); it prints its progress and its\n"
    "exit status says how it ended: 0 the device reported success, 1 anything else.";

constexpr std::uint64_t kMaxImage = 16u << 20;
constexpr const char* kNoDevice = "no supported headset or dongle is present";

struct Identity {
  std::uint32_t vendor = 0, product = 0, interface_number = 0, report = 0;
};

bool FindDevice(Identity* id) {
  return _find_usb_device(&id->vendor, &id->product, &id->interface_number, &id->report) == ORO_OK;
}

int Status(const Args& args) {
  const bool json = args.size() == 2 && args[1] == "--json";
  if (args.size() > 2 || (args.size() == 2 && !json)) return UsageError("usage: oroctl headset status [--json]");
  Identity id;
  if (!FindDevice(&id)) return Fail(kNoDevice);
  const headset::Payload query = headset::BuildStatusQuery();
  std::uint8_t reply[headset::kPayloadSize] = {};
  const int32_t rc = _hid_trans_data(id.vendor, id.product, id.interface_number, id.report, query.data(), reply);
  if (rc == ORO_ERR_NO_DEVICE) return Fail("the device went away during the status query");
  if (rc != ORO_OK) return Fail("the device did not answer the status query");
  headset::HeadsetStatus s;
  headset::DecodeStatus(reply, sizeof reply, &s);
  if (json) {
    cli::Json o = cli::Json::Object();
    o.Add("linked", cli::Json::Bool(s.linked)).Add("charging", cli::Json::Bool(s.charging));
    o.Add("battery_step", cli::Json::Int(s.battery_step)).Add("battery_percent", cli::Json::Int(s.percent));
    std::printf("%s\n", o.Pretty().c_str());
  } else if (!s.linked) {
    std::printf("link: not linked\n");
  } else {
    std::printf("link: linked\ncharging: %s\nbattery: %d %%\n", s.charging ? "yes" : "no", s.percent);
  }
  return 0;
}

bool ParseMode(const std::string& text, int* mode) {
  static const char* const kNames[] = {"off", "steady", "breathing", "cycle", "music"};
  for (int i = 0; i < 5; ++i) {
    if (text == kNames[i] || text == std::to_string(i)) {
      *mode = i;
      return true;
    }
  }
  return false;
}

int Light(const Args& args) {
  if (args.size() != 4) return UsageError("usage: oroctl headset light MODE SPEED RRGGBB");
  headset::Lighting l;
  if (!ParseMode(args[1], &l.mode))
    return UsageError("'" + args[1] + "' is not a mode: off, steady, breathing, cycle, music or 0 to 4");
  char* end = nullptr;
  const long speed = std::strtol(args[2].c_str(), &end, 10);
  if (args[2].empty() || *end || speed < 1 || speed > 20)
    return UsageError("'" + args[2] + "' is not a speed from 1 to 20");
  const std::string& colour = args[3];
  const unsigned long rgb = std::strtoul(colour.c_str(), &end, 16);
  if (colour.size() != 6 || *end || colour.find_first_of("+- ") != std::string::npos) {
    return UsageError("'" + colour + "' is not a colour RRGGBB in hexadecimal");
  }
  l.speed = static_cast<int>(speed);
  l.red = static_cast<int>(rgb >> 16 & 0xFF);
  l.green = static_cast<int>(rgb >> 8 & 0xFF);
  l.blue = static_cast<int>(rgb & 0xFF);
  Identity id;
  if (!FindDevice(&id)) return Fail(kNoDevice);
  const headset::Payload command = headset::BuildLighting(l);
  if (_hid_trans_data(id.vendor, id.product, id.interface_number, id.report, command.data(), nullptr) != ORO_OK) {
    return Fail("the device went away before the lighting command was sent");
  }
  return 0;
}

struct Progress {
  bool terminal = false;
  int last_percent = -1;
};

void ShowProgress(void* context, int32_t value, int32_t stage) {
  auto* p = static_cast<Progress*>(context);
  static const char* const kStages[] = {"starting", "opening the update collections", "entering update mode",
                                        "writing"};
  if (stage >= 0 && stage <= 3) {
    std::printf("%s\n", kStages[stage]);
  } else if (stage == 4) {
    if (value == p->last_percent) return;
    const int before = p->last_percent;
    p->last_percent = value;
    if (p->terminal) {
      const int filled = value * 40 / 100;
      std::printf("\r[%.*s%*s] %3d %%", filled, "########################################", 40 - filled, "", value);
      if (value == 100) std::printf("\n");
    } else if (value / 10 > before / 10 || before < 0) {
      // Redirected output gets one line per tenth, not a redrawn bar.
      std::printf("written %d %%\n", value);
    }
  } else if (stage == 5) {
    std::printf("waiting for the device to finish\n");
  } else if (stage == 6) {
    std::printf("the device reports code %d\n", value);
  }
  std::fflush(stdout);
}

int Firmware(const Args& args) {
  std::string file, target;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--target" && i + 1 < args.size()) {
      target = args[++i];
    } else if (file.empty() && args[i].rfind("--", 0) != 0) {
      file = args[i];
    } else {
      return UsageError("usage: oroctl headset firmware FILE --target dongle|earphone");
    }
  }
  if (file.empty() || (target != "dongle" && target != "earphone")) {
    return UsageError("usage: oroctl headset firmware FILE --target dongle|earphone");
  }
  std::vector<std::uint8_t> image;
  std::string message;
  if (platform::ReadBoundedFile(file, platform::FileSizeBounds{1, kMaxImage}, &image, &message) !=
      platform::FileReadError::kNone) {
    return Fail(message);
  }
  Progress progress;
  progress.terminal = cli::IsTerminal(stdout);
  const int32_t mode = target == "dongle" ? 1 : 2;
  const int32_t rc = _update_3031_fw(ShowProgress, &progress, image.data(), static_cast<int32_t>(image.size()), mode);
  if (progress.terminal && progress.last_percent >= 0 && progress.last_percent < 100) std::printf("\n");
  switch (rc) {
    case 0:
      // The export's 0 is both "no device" and the device's own success; the
      // progress told which.
      if (progress.last_percent < 0 && _find_usb_device(nullptr, nullptr, nullptr, nullptr) != ORO_OK) {
        return Fail(kNoDevice);
      }
      std::printf("firmware update finished\n");
      return 0;
    case -1:
      return Fail("the device's update collections cannot be opened");
    case ORO_ERR_TIMEOUT:
      return Fail("the device stopped answering during the update");
    case ORO_ERR_DEVICE_LOST:
      return Fail("the device went away during the update");
    case ORO_ERR_INVALID_ARGUMENT:
      return Fail("the image cannot be sent");
    default:
      return Fail("the device ended the update with code " + std::to_string(rc));
  }
}

int Run(const Args& args) {
  if (args.empty()) return UsageError(kUsage);
  if (args[0] == "status") return Status(args);
  if (args[0] == "light") return Light(args);
  if (args[0] == "firmware") return Firmware(args);
  return UsageError("unknown headset command '" + args[0] + "'; use status, light or firmware");
}

const CommandRegistrar kRegistrar{{"headset", "headset status, lighting and firmware update", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
