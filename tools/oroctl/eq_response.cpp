// oroctl eq response: the equalizer's magnitude response from the very
// coefficients the processing object filters with.
#include <cstdio>
#include <memory>
#include <string>

#include "eq_commands.h"
#include "oro/common/eq_coefficients.h"
#include "oro/eq/response.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl eq response [--json] [--points N]\n"
    "The response from 20 Hz to 20 kHz at N points (2 to 1000, 31 by default), taken\n"
    "from the published section while a panel holds it, else from the stored settings.";

// Block 2 as the processing object sees it: the live section when somebody
// publishes it, otherwise what the library would publish.
bool CurrentBlock2(common::PropertyBlock2* block, std::string* source) {
  platform::Platform p = platform::MakePlatformFromEnvironment();
  std::unique_ptr<platform::SharedSection> section;
  if (p.objects &&
      p.objects->OpenSection(common::kSectionName, common::kSectionSize, &section) == platform::err::kSuccess) {
    *block = common::BlockFromBytes<common::PropertyBlock2>(section->Data() + common::kSectionHeaderSize +
                                                            common::kBlock2PayloadOffset);
    *source = "section";
    return true;
  }
  common::DeviceInfo record;
  if (getDeviceInfo(0, &record) != ORO_OK) return false;
  *block = record.Block2();
  releaseDeviceInfo(&record);
  *source = "settings";
  return true;
}

}  // namespace

int RunEqResponse(const Args& args) {
  bool json = false;
  long points = 31;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--points" && i + 1 < args.size()) {
      char* end = nullptr;
      points = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || points < 2 || points > 1000) return UsageError(kUsage);
    } else {
      return UsageError(kUsage);
    }
  }

  common::PropertyBlock2 block;
  std::string source;
  try {
    if (!CurrentBlock2(&block, &source)) return Fail("the device library could not load the parameter blocks");
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  const auto curve = eq::ResponseCurve(block, eq::LogFrequencies(20, 20000, static_cast<std::size_t>(points)));

  if (!json) {
    std::printf("equalizer %s, %u Hz, from the %s\n", block.Mode(common::ListeningMode::kEqualizer) ? "on" : "off",
                block.SampleRate(), source.c_str());
    for (const auto& p : curve) std::printf("%9.1f Hz %+7.2f dB\n", p.hz, p.db);
    return 0;
  }
  std::printf("{\n  \"source\": \"%s\",\n  \"sample_rate\": %u,\n  \"equalizer\": %s,\n  \"bands\": [\n",
              source.c_str(), block.SampleRate(), block.Mode(common::ListeningMode::kEqualizer) ? "true" : "false");
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) {
    const common::EqBand band = block.Band(i);
    const common::BiquadCoefficients c = block.Coefficients(i);
    std::printf(
        "    {\"hz\": %.9g, \"gain_db\": %.9g, \"bandwidth_hz\": %.9g, \"a1\": %.9g, \"a2\": %.9g, \"b0\": %.9g, "
        "\"b1\": %.9g, \"b2\": %.9g}%s\n",
        band.centre_hz, band.gain_db, band.bandwidth_hz, c.a1, c.a2, c.b0, c.b1, c.b2,
        i + 1 < common::kEqBandCount ? "," : "");
  }
  std::printf("  ],\n  \"response\": [\n");
  for (std::size_t i = 0; i < curve.size(); ++i) {
    std::printf("    {\"hz\": %.6g, \"db\": %.4f}%s\n", curve[i].hz, curve[i].db, i + 1 < curve.size() ? "," : "");
  }
  std::printf("  ]\n}\n");
  return 0;
}

}  // namespace oro::tools
