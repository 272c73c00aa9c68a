// oroctl eq import and eq curves: headphone correction curves fitted to the
// ten bands and kept with the panel's custom curves.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "eq_commands.h"
#include "oro/common/eq_coefficients.h"
#include "oro/eq/curve_fit.h"
#include "oro/eq/curve_store.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"

namespace oro::tools {
namespace {

constexpr const char* kImportUsage =
    "usage: oroctl eq import FILE.csv [--name NAME] [--apply]\n"
    "FILE.csv holds \"frequency in Hz, level in dB\" lines (a header line is allowed).\n"
    "The ten bands are fitted to it and saved as a custom curve named NAME (the\n"
    "file's name by default); --apply also sends the gains to the equalizer.";

std::string StoreFile() {
  return eq::CurveStore::PathIn(platform::ResolveStatePaths(std::getenv("ORO_ROOT")).state_dir);
}

std::string GainsText(const eq::Gains& gains) {
  std::string text;
  for (std::size_t i = 0; i < gains.size(); ++i) {
    char item[24];
    std::snprintf(item, sizeof item, "%s%s=%+d", i ? " " : "", common::kEqBands[i].label, gains[i]);
    text += item;
  }
  return text;
}

// Loads the store, telling the user about a damaged file.
eq::CurveStore OpenStore() {
  eq::CurveStore store(StoreFile());
  const auto loaded = store.Load();
  for (const std::string& note : loaded.notes)
    std::fprintf(stderr, "oroctl: %s: %s\n", store.Path().c_str(), note.c_str());
  return store;
}

int SendGains(const eq::Gains& gains) {
  common::DeviceInfo record;
  if (getDeviceInfo(0, &record) != ORO_OK) return Fail("the device library could not load the parameter blocks");
  common::PropertyBlock3 b3 = record.Block3();
  for (std::size_t i = 0; i < gains.size(); ++i) b3.SetGain(i, gains[i]);
  const int32_t rc = setDeviceProperty(&record, common::kPropertyType3, &b3);
  releaseDeviceInfo(&record);
  return rc == ORO_OK ? 0 : Fail("the equalizer did not take the gains (" + std::to_string(rc) + ")");
}

}  // namespace

int RunEqImport(const Args& args) {
  std::string file;
  std::string name;
  bool apply = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--apply") {
      apply = true;
    } else if (args[i] == "--name" && i + 1 < args.size()) {
      name = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && file.empty()) {
      file = args[i];
    } else {
      return UsageError(kImportUsage);
    }
  }
  if (file.empty()) return UsageError(kImportUsage);
  if (name.empty()) name = std::filesystem::path(file).stem().string();

  const eq::CsvCurve curve = eq::ReadCurveCsv(file);
  if (!curve.error.empty()) return Fail(curve.error);
  const eq::BandFit fit = eq::FitBands(curve.points);
  if (!fit.error.empty()) return Fail(file + ": " + fit.error);

  eq::CurveStore store = OpenStore();
  const auto saved = store.Save(platform::FromUtf8(name), fit.gains);
  if (saved.status == eq::CurveStore::SaveStatus::kFull) return Fail(eq::kTooManyCurvesMessage);
  if (saved.status == eq::CurveStore::SaveStatus::kWriteFailed) return Fail(saved.error);

  const std::string stored_name = platform::ToUtf8(store.Image().curves[static_cast<std::size_t>(saved.index)].name);
  std::printf("%s\n", GainsText(fit.gains).c_str());
  std::printf("remaining error %.2f dB RMS, %.2f dB at most, over %.0f Hz to %.0f Hz\n", fit.rms_error_db,
              fit.max_error_db, fit.low_hz, fit.high_hz);
  std::printf("%s custom curve \"%s\"\n", saved.status == eq::CurveStore::SaveStatus::kAdded ? "saved as" : "replaced",
              stored_name.c_str());
  return apply ? SendGains(fit.gains) : 0;
}

int RunEqCurves(const Args& args) {
  if (!args.empty()) return UsageError("usage: oroctl eq curves");
  eq::CurveStore store = OpenStore();
  const auto& image = store.Image();
  for (std::size_t i = 0; i < image.curves.size(); ++i) {
    std::printf("%c %-31s %s\n", static_cast<int>(i) == image.current ? '*' : ' ',
                platform::ToUtf8(image.curves[i].name).c_str(), GainsText(image.curves[i].gains).c_str());
  }
  return 0;
}

}  // namespace oro::tools
