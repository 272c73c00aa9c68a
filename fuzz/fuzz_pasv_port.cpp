// Passive-mode replies: any bytes give a port or one of the failure codes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oro/updater/ftp_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int port = oro::updater::FtpParsePasvPort(text);
  if (port < -2 || port > 65535) std::abort();
  return 0;
}
