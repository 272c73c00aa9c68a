// oroctl eq: the equalizer gains, sent through the device library exactly as
// the panel's sliders send them (block 3, recomputed into block 2).
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "eq_commands.h"
#include "oro/common/eq_coefficients.h"
#include "oro/common/property_blocks.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#include "stored_blocks.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl eq show\n"
    "       oroctl eq set BAND=GAIN ...   e.g. oroctl eq set 30=+3 1k=-2 16k=0\n"
    "       oroctl eq flat\n"
    "       oroctl eq import FILE.csv [--name NAME] [--apply]\n"
    "       oroctl eq curves\n"
    "       oroctl eq response [--json] [--points N]\n"
    "BAND is 30, 60, 120, 250, 500, 1k, 2k, 4k, 8k, 16k (or the frequency in Hz);\n"
    "GAIN is a whole number of dB from -20 to +20. Bands not named keep their gain.";

std::string Lower(std::string s) {
  for (auto& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Band index for "1k", "1K" or "1000"; -1 when there is no such band.
int ParseBand(const std::string& text) {
  for (std::size_t i = 0; i < common::kEqBands.size(); ++i) {
    const auto& band = common::kEqBands[i];
    if (Lower(text) == band.label || text == std::to_string(static_cast<int>(band.centre_hz))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool ParseGain(const std::string& text, int* gain) {
  std::size_t at = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (at >= text.size() || text.size() - at > 2 || text.find_first_not_of("0123456789", at) != std::string::npos) {
    return false;
  }
  const int v = std::stoi(text);
  if (v < common::kEqGainMin || v > common::kEqGainMax) return false;
  *gain = v;
  return true;
}

void PrintGains(const common::PropertyBlock3& b3) {
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) {
    std::printf("%s%s=%+d", i ? " " : "", common::kEqBands[i].label, b3.Gain(i));
  }
  std::printf("\n");
}

// Why the stored gains could not be read; empty when they were. The library
// shows defaults in that case so the panel can run.
std::string StoreProblem() {
  try {
    platform::Platform p = platform::MakePlatformFromEnvironment();
    if (!p.registry) return "no settings store";
    std::vector<std::uint8_t> bytes;
    std::string problem;
    switch (ReadStoredBlock(*p.registry, common::kBlock3ValueName, &bytes, &problem)) {
      case StoredBlock::kPresent:
        return "";
      case StoredBlock::kAbsent:
        return "no equalizer gains are stored";
      case StoredBlock::kUnreadable:
        return problem;
    }
    return "";
  } catch (const std::exception& e) {
    return e.what();
  }
}

// The library's record for one command; released when done.
class Session {
 public:
  Session() : rc_(getDeviceInfo(0, &record_)) {}
  ~Session() {
    if (rc_ == ORO_OK) releaseDeviceInfo(&record_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  bool Ok() const { return rc_ == ORO_OK; }
  common::DeviceInfo& Record() { return record_; }

 private:
  common::DeviceInfo record_;
  int32_t rc_;
};

// Loads the record, lets `change` edit block 3 and sends it as type 3.
template <typename F>
int Apply(F change) {
  Session session;
  if (!session.Ok()) return Fail("the device library could not load the parameter blocks");
  common::PropertyBlock3 gains = session.Record().Block3();
  change(gains);
  const int32_t rc = setDeviceProperty(&session.Record(), common::kPropertyType3, &gains);
  if (rc != ORO_OK) {
    return Fail(rc == ORO_ERR_STORE ? "the equalizer is applied but the settings store did not keep it"
                                    : "the device library refused the equalizer gains (" + std::to_string(rc) + ")");
  }
  PrintGains(session.Record().Block3());
  return 0;
}

int Run(const Args& args) {
  if (args.empty()) return UsageError(kUsage);
  const std::string& verb = args[0];
  const Args rest(args.begin() + 1, args.end());
  if (verb == "import") return RunEqImport(rest);
  if (verb == "curves") return RunEqCurves(rest);
  if (verb == "response") return RunEqResponse(rest);
  if (verb == "show" && args.size() == 1) {
    Session session;
    if (!session.Ok()) return Fail("the device library could not load the parameter blocks");
    PrintGains(session.Record().Block3());
    const std::string problem = StoreProblem();
    if (!problem.empty()) return Fail("the gains shown are the defaults: " + problem);
    return 0;
  }
  if (verb == "flat" && args.size() == 1) {
    return Apply([](common::PropertyBlock3& g) {
      for (std::size_t i = 0; i < common::kEqBandCount; ++i) g.SetGain(i, 0);
    });
  }
  if (verb != "set" || args.size() < 2) return UsageError(kUsage);

  // Parse everything first, so a typo changes nothing.
  std::vector<std::pair<int, int>> changes;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const auto eq = args[i].find('=');
    const int band = eq == std::string::npos ? -1 : ParseBand(args[i].substr(0, eq));
    int gain = 0;
    if (band < 0) return UsageError("unknown band in '" + args[i] + "'\n" + kUsage);
    if (!ParseGain(args[i].substr(eq + 1), &gain)) {
      return UsageError("gain in '" + args[i] + "' must be a whole number from -20 to +20");
    }
    changes.emplace_back(band, gain);
  }
  return Apply([&](common::PropertyBlock3& g) {
    for (const auto& [band, gain] : changes) g.SetGain(static_cast<std::size_t>(band), gain);
  });
}

const CommandRegistrar kRegistrar({"eq", "equalizer gains, sent through the device library", Run, kUsage});

}  // namespace
}  // namespace oro::tools
