#include "oro/updater/ftp_parse.h"

#include "oro/updater/ftp_client.h"

namespace oro::updater {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One number of a passive reply: blanks around 1 to 3 digits, 0 to 255.
int PortByte(std::string_view part) {
  std::size_t b = 0, e = part.size();
  while (b < e && IsBlank(part[b])) ++b;
  while (e > b && IsBlank(part[e - 1])) --e;
  if (e == b || e - b > 3) return -1;
  int value = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (!IsDigit(part[i])) return -1;
    value = value * 10 + (part[i] - '0');
  }
  return value <= 255 ? value : -1;
}

}  // namespace

std::int32_t FtpReplyCode(std::string_view text) {
  if (text.size() < 3 || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[2])) return 0;
  return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

std::int32_t FtpParseSizeReply(std::string_view text) {
  if (text.size() < 5) return -1;
  std::size_t i = 4;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::size_t start = i;
  std::int64_t value = 0;
  while (i < text.size() && IsDigit(text[i])) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return -1;
    ++i;
  }
  if (i == start) return -1;
  for (; i < text.size(); ++i) {
    if (!IsBlank(text[i])) return -1;
  }
  return static_cast<std::int32_t>(value);
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
  // to the control connection's server.
  std::size_t commas = 0, high_start = 0, low_start = 0;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] != ',') continue;
    ++commas;
    if (commas == 4) high_start = i + 1;
    if (commas == 5) low_start = i + 1;
  }
  if (commas != 5) return 0;
  const int high = PortByte(inner.substr(high_start, low_start - 1 - high_start));
  const int low = PortByte(inner.substr(low_start));
  if (high < 0 || low < 0) return 0;
  return high * 256 + low;
}

}  // namespace oro::updater
