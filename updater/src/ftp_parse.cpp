#include "oro/updater/ftp_parse.h"

#include "oro/updater/ftp_client.h"

namespace oro::updater {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number that starts `text` after spaces, whatever follows it;
// -1 when there is none or it exceeds `max`.
std::int64_t LeadingNumber(std::string_view text, std::int64_t max) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > max) return -1;
  }
  return i == start ? -1 : value;
}

}  // namespace

std::int32_t FtpReplyCode(std::string_view text) {
  if (text.size() < 3 || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[2])) return 0;
  return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

std::int32_t FtpParseSizeReply(std::string_view text) {
  if (text.size() < 5) return -1;
  return static_cast<std::int32_t>(LeadingNumber(text.substr(4), INT32_MAX));
}

bool FtpReplyAssembler::AddLine(std::string_view line) {
  if (complete_) return true;
  text_.append(line.data(), line.size());
  if (!started_) {
    started_ = true;
    code_ = FtpReplyCode(line);
    // A multi-line reply opens with "ddd-"; anything else is one line.
    complete_ = !(code_ != 0 && line.size() > 3 && line[3] == '-');
    return complete_;
  }
  if (FtpReplyCode(line) == code_) {
    complete_ = line.size() == 3 || line[3] == ' ' || line[3] == '\r' || line[3] == '\n';
  }
  return complete_;
}

int FtpParsePasvPort(const std::string& text) {
  const std::size_t open = text.find('(');
  if (open == std::string::npos) return -1;
  const std::size_t close = text.find(')', open + 1);
  if (close == std::string::npos) return -2;
  const std::string_view inner(text.data() + open + 1, close - open - 1);

  // The four address numbers are skipped: the data connection always goes
  // to the control connection's server. The port's two numbers follow the
  // fourth and the fifth comma; later commas change nothing.
  std::size_t commas = 0, high_start = 0, low_start = 0;
  for (std::size_t i = 0; i < inner.size() && commas < 5; ++i) {
    if (inner[i] != ',') continue;
    ++commas;
    if (commas == 4) high_start = i + 1;
    if (commas == 5) low_start = i + 1;
  }
  if (commas < 5) return 0;
  const std::int64_t high = LeadingNumber(inner.substr(high_start, low_start - 1 - high_start), 255);
  const std::int64_t low = LeadingNumber(inner.substr(low_start), 255);
  if (high < 0 || low < 0) return 0;
  return static_cast<int>(high * 256 + low);
}

}  // namespace oro::updater
