#include "ftp_diagnostics.h"

#include <cstdio>

#include "oro/updater/console_text.h"

namespace oro::updater::diag {
namespace {

void Write(std::FILE* stream, const std::string& utf8_line) {
  const std::string line = ToConsoleEncoding(utf8_line) + "\n";
  // One locked write per line: lines of concurrent sessions never mix.
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

void Out(const std::string& utf8_line) { Write(stdout, utf8_line); }
void Err(const std::string& utf8_line) { Write(stderr, utf8_line); }

std::string Quote(const std::string& reply_text) {
  std::string s = reply_text;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace oro::updater::diag
