// Network configuration files: any content loads or is refused, and what
// loads encodes back to the very same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oro/common/checksum.h"
#include "oro/updater/net_config.h"

namespace {

// One scratch file per fuzzing process, removed when it exits; in memory
// when the machine offers /dev/shm, since disk writes would set the pace.
struct ScratchFile {
  std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_net_config." +
                     std::to_string(getpid()) + ".fsc";
  ~ScratchFile() { std::remove(path.c_str()); }
};

const std::string& FilePath() {
  static const ScratchFile file;
  return file.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace oro::updater;
  std::vector<std::uint8_t> bytes(data, data + size);
  // Half the full-sized inputs get a valid checksum, so the decoding behind
  // it is reached too.
  if (bytes.size() == kNetConfigSize && (bytes[0] & 1)) {
    const std::uint32_t crc = oro::common::Crc32(bytes.data(), 340);
    for (int i = 0; i < 4; ++i) bytes[340 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
  }
  std::FILE* f = std::fopen(FilePath().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);

  const int result = LoadNetConfig(std::wstring(FilePath().begin(), FilePath().end()));
  if (result != 1 && result != -1 && result != -2) std::abort();
  if (result == -2 && bytes.size() == kNetConfigSize) std::abort();
  NetConfig c;
  GetNetConfig(c.server, c.port, c.user, c.password, c.folder, c.check_switch);
  if (c.user.size() > 32 || c.password.size() > 32 || c.folder.size() > 256) std::abort();
  if (result == 1) {
    NetConfigRecord record;
    if (DecodeNetConfig(bytes.data(), bytes.size(), record) != 1) std::abort();
    const auto again = EncodeNetConfig(record);
    if (std::memcmp(again.data(), bytes.data(), kNetConfigSize) != 0) std::abort();
  }
  return 0;
}
