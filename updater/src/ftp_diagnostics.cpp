#include "ftp_diagnostics.h"

#include <cstdio>

#include "oro/platform/console_text.h"

namespace oro::updater::diag {
namespace {

void Write(std::FILE* stream, const std::string& utf8_line) {
  const std::string line = platform::ToConsoleEncoding(utf8_line) + "\n";
  // One locked write per line: lines of concurrent sessions never mix.
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

// Per thread: every session runs on one thread, and two sessions on two
// threads must not see each other's failure.
thread_local std::string t_failure;

}  // namespace

void Out(const std::string& utf8_line) { Write(stdout, utf8_line); }
void Err(const std::string& utf8_line) { Write(stderr, utf8_line); }

std::string Quote(const std::string& reply_text) {
  std::string s = reply_text;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string Printable(const std::string& reply_text) {
  constexpr std::size_t kLongest = 200;
  std::string s = Quote(reply_text);
  if (s.size() > kLongest) s = s.substr(0, kLongest) + "...";
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\r' || c == '\n' || c == '\t') {
      c = ' ';
    } else if (u < 0x20 || u == 0x7F) {
      c = '?';
    }
  }
  return s;
}

void SetFailure(const std::string& text) { t_failure = text; }
void ClearFailure() { t_failure.clear(); }
const std::string& Failure() { return t_failure; }

}  // namespace oro::updater::diag
