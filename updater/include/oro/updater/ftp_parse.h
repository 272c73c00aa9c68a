// Parsing of server replies, kept apart from the sockets so that it can be
// tested and fuzzed on plain bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oro::updater {

// The reply code in the first three characters; 0 when they are not digits.
std::int32_t FtpReplyCode(std::string_view text);

// The size in a 213 reply: the decimal number that starts at the fifth
// character (blanks before it skipped, any text after it ignored). -1 when
// there is none or it does not fit a signed 32-bit value.
std::int32_t FtpParseSizeReply(std::string_view text);

// Collects the lines of one reply. A reply is one line "ddd text", or the
// lines from "ddd-text" up to the first line that starts with "ddd " (the
// same code followed by a blank or the line's end).
class FtpReplyAssembler {
 public:
  // Adds a line with its line end; true once the reply is complete.
  bool AddLine(std::string_view line);
  bool Complete() const { return complete_; }
  // The code of the first line, 0 when it has none (such a line is taken as
  // a complete reply on its own).
  std::int32_t Code() const { return code_; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  std::int32_t code_ = 0;
  bool started_ = false;
  bool complete_ = false;
};

// Longest reply the client accepts; a server sending more is misbehaving.
constexpr std::size_t kMaxFtpReplyBytes = 64 * 1024;

}  // namespace oro::updater
