// oroctl blocks show: the sound parameter blocks as the processing object
// sees them (the live section) and as they are stored, field by field.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "oro/common/eq_coefficients.h"
#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/common/section_codec.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"
#include "oro/tools/cli/json.h"
#include "oro_ecd_api.h"
#include "stored_blocks.h"

namespace oro::tools {
namespace {

using common::PropertyBlock1;
using common::PropertyBlock2;
using common::PropertyBlock3;

constexpr const char* kUsage =
    "usage: oroctl blocks show [--json]\n"
    "       oroctl blocks hold      publish the blocks as the panel does and keep the\n"
    "                               section until standard input ends";

using Node = cli::Json;

Node Named(int value, std::initializer_list<std::pair<int, const char*>> names) {
  for (const auto& [v, name] : names) {
    if (v == value) return Node::Text(name);
  }
  return Node::Int(value);
}

Node Decode(const PropertyBlock1& b) {
  return Node::Object()
      .Add("mic_sample_rate", Node::Int(b.MicSampleRate()))
      .Add("mic_volume", Node::Int(b.MicVolume()))
      .Add("monitor_volume", Node::Int(b.MonitorVolume()))
      .Add("noise_reduction_strength", Node::Int(b.NoiseReductionStrength()))
      .Add("voice_changer", Node::Bool(b.VoiceChanger()))
      .Add("voice", Named(static_cast<int>(b.VoiceKind()), {{1, "monster"}, {2, "cartoon"}, {3, "man"}, {4, "woman"}}))
      .Add("mic_echo", Node::Bool(b.MicEcho()))
      .Add("noise_reduction", Node::Bool(b.NoiseReduction()))
      .Add("mic_mute", Node::Bool(b.MicMute()))
      .Add("mic_processing", Node::Bool(b.MicProcessing()))
      .Add("mic_echo_level", Node::Int(b.MicEchoLevel()))
      .Add("monitoring", Node::Bool(b.Monitoring()));
}

Node Decode(const PropertyBlock2& b) {
  using common::ListeningMode;
  Node trims = Node::Array();
  for (std::size_t i = 0; i < common::kSpeakerCount; ++i)
    trims.Push(Node::Int(b.Trim(static_cast<common::Speaker>(i))));
  Node bands = Node::Array();
  Node coefficients = Node::Array();
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) {
    const common::EqBand band = b.Band(i);
    bands.Push(Node::Object()
                   .Add("type", Node::Int(band.type))
                   .Add("centre_hz", Node::Number(band.centre_hz))
                   .Add("gain_db", Node::Number(band.gain_db))
                   .Add("bandwidth_hz", Node::Number(band.bandwidth_hz)));
    const common::BiquadCoefficients c = b.Coefficients(i);
    coefficients.Push(Node::Object()
                          .Add("a1", Node::Number(c.a1))
                          .Add("a2", Node::Number(c.a2))
                          .Add("b0", Node::Number(c.b0))
                          .Add("b1", Node::Number(c.b1))
                          .Add("b2", Node::Number(c.b2)));
  }
  return Node::Object()
      .Add("speaker_processing", Node::Bool(b.SpeakerProcessing()))
      .Add("virtual_7_1", Node::Bool(b.Mode(ListeningMode::kVirtual71)))
      .Add("sample_rate", Node::Int(b.SampleRate()))
      .Add("master_volume", Node::Int(b.MasterVolume()))
      .Add("left_volume", Node::Int(b.LeftVolume()))
      .Add("right_volume", Node::Int(b.RightVolume()))
      .Add("speaker_mute", Node::Bool(b.SpeakerMute()))
      .Add("room_effect", Node::Bool(b.RoomEffect()))
      .Add("environment", Named(static_cast<int>(b.EnvironmentKind()),
                                {{1, "concert hall"}, {2, "underwater"}, {3, "bathroom"}, {4, "crazy"}}))
      .Add("room_size", Named(static_cast<int>(b.Room()), {{1, "small"}, {2, "medium"}, {3, "large"}}))
      .Add("sound_field", Node::Bool(b.Mode(ListeningMode::kSoundField)))
      .Add("sound_field_mode", Named(static_cast<int>(b.FieldMode()), {{0, "none"},
                                                                       {1, "clockwise"},
                                                                       {2, "counter-clockwise"},
                                                                       {3, "angle held"},
                                                                       {4, "centred"},
                                                                       {5, "initial"}}))
      .Add("trims_l_r_ls_rs_lb_rb_c_w", std::move(trims))
      .Add("spatial", Node::Bool(b.Mode(ListeningMode::kSpatial)))
      .Add("equalizer", Node::Bool(b.Mode(ListeningMode::kEqualizer)))
      .Add("bands", std::move(bands))
      .Add("coefficients", std::move(coefficients));
}

Node Decode(const PropertyBlock3& b) {
  Node gains = Node::Object();
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) gains.Add(common::kEqBands[i].label, Node::Int(b.Gain(i)));
  return Node::Object().Add("gains_db", std::move(gains));
}

// The live section, or null when nobody holds it.
Node LiveSection(platform::Platform& p, bool* published, std::string* problem) {
  std::unique_ptr<platform::SharedSection> section;
  const platform::ErrorCode rc = p.objects
                                     ? p.objects->OpenSection(common::kSectionName, common::kSectionSize, &section)
                                     : platform::err::kFileNotFound;
  if (rc == platform::err::kFileNotFound) return Node::Null();
  if (rc != platform::err::kSuccess) {
    *problem = "cannot open the parameter section (error " + std::to_string(rc) + ")";
    return Node::Null();
  }
  *published = true;
  const common::SectionContents c = common::DecodeSection(section->Data());
  return Node::Object()
      .Add("capacity", Node::Int(c.capacity))
      .Add("block1", Decode(c.block1))
      .Add("block2", Decode(c.block2));
}

// One stored block decoded over zeros; its stored length is shown when it
// is not the block's own. Null when none is stored, and also when the store
// could not be read, which `problem` then says.
template <typename Block>
Node Stored(platform::RegistryStore& store, const wchar_t* name, std::string* problem) {
  std::vector<std::uint8_t> stored;
  std::string why;
  if (ReadStoredBlock(store, name, &stored, &why) != StoredBlock::kPresent) {
    if (!why.empty() && problem->empty()) *problem = why;
    return Node::Null();
  }
  Block block;
  std::memcpy(&block, stored.data(), std::min(stored.size(), sizeof block));
  Node n = Decode(block);
  if (stored.size() != sizeof block) n.Add("stored_bytes", Node::Int(static_cast<long long>(stored.size())));
  return n;
}

Node Persisted(platform::Platform& p, std::string* problem) {
  if (!p.registry) {
    *problem = "no settings store";
    return Node::Null();
  }
  return Node::Object()
      .Add("block1", Stored<PropertyBlock1>(*p.registry, common::kBlock1ValueName, problem))
      .Add("block2", Stored<PropertyBlock2>(*p.registry, common::kBlock2ValueName, problem))
      .Add("block3", Stored<PropertyBlock3>(*p.registry, common::kBlock3ValueName, problem));
}

int Show(const Args& args) {
  bool json = false;
  for (const auto& a : args) {
    if (a == "--json") {
      json = true;
    } else {
      return UsageError(std::string("unknown argument '") + a + "'\n" + kUsage);
    }
  }
  platform::Platform p;
  try {
    p = platform::MakePlatformFromEnvironment();
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  std::string problem;
  bool published = false;
  Node all = Node::Object();
  all.Add("section", LiveSection(p, &published, &problem));
  all.Add("persisted", Persisted(p, &problem));

  std::string out;
  if (json) {
    out = all.Pretty() + "\n";
  } else {
    if (!published) out += "section: not published (nobody holds it)\n";
    out += all.Lines();
  }
  std::fputs(out.c_str(), stdout);
  std::fflush(stdout);
  return problem.empty() ? 0 : Fail(problem);
}

// Stands in for a running panel: the section lives while somebody holds it,
// so scripts and people can watch what a processing object would read.
int Hold(const Args& args) {
  if (!args.empty()) return UsageError(kUsage);
  common::DeviceInfo record;
  if (getDeviceInfo(0, &record) != ORO_OK) return Fail("the device library could not load the blocks");
  std::printf("published; holding the section until standard input ends\n");
  std::fflush(stdout);
  int c;
  while ((c = std::getchar()) != EOF) {
  }
  releaseDeviceInfo(&record);
  return 0;
}

int Run(const Args& args) {
  if (args.empty()) return UsageError(kUsage);
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "show") return Show(rest);
  if (args[0] == "hold") return Hold(rest);
  return UsageError(kUsage);
}

const CommandRegistrar kRegistrar({"blocks", "sound parameter blocks: the live section and the stored copies", Run,
                                   kUsage});

}  // namespace
}  // namespace oro::tools
