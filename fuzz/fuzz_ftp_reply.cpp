// Server replies: assembled line by line as the client does, then the code
// and the size read from them.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "oro/updater/ftp_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace oro::updater;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FtpReplyAssembler reply;
  std::size_t pos = 0;
  while (pos < bytes.size() && !reply.Complete()) {
    std::size_t end = bytes.find('\n', pos);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    reply.AddLine(bytes.substr(pos, end - pos));
    pos = end;
  }
  if (reply.Code() < 0 || reply.Code() > 999) std::abort();
  if (reply.Text().size() != pos) std::abort();
  const std::int32_t size_value = FtpParseSizeReply(reply.Text());
  if (size_value < -1) std::abort();
  if (FtpReplyCode(bytes) != (bytes.empty() ? 0 : FtpReplyCode(reply.Text()))) std::abort();
  return 0;
}
