#include <iconv.h>
#include <langinfo.h>

#include <strings.h>
#include <cerrno>
#include <cstring>

#include "oro/platform/console_text.h"

namespace oro::platform {
namespace {

bool PassesUnchanged(const char* codeset) {
  // ASCII means the program never chose a locale; UTF-8 is the best guess
  // for a Linux terminal then.
  return codeset == nullptr || *codeset == '\0' || strcasecmp(codeset, "UTF-8") == 0 ||
         strcasecmp(codeset, "UTF8") == 0 || strcasecmp(codeset, "ANSI_X3.4-1968") == 0 ||
         strcasecmp(codeset, "ASCII") == 0 || strcasecmp(codeset, "US-ASCII") == 0;
}

}  // namespace

std::string Utf8ToCodeset(const std::string& utf8, const char* codeset) {
  if (PassesUnchanged(codeset) || utf8.empty()) return utf8;
  iconv_t cd = iconv_open(codeset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 4, '\0');
  char* in_ptr = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  const std::size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return utf8;
  out.resize(out.size() - out_left);
  return out;
}

std::string ToConsoleEncoding(const std::string& utf8) { return Utf8ToCodeset(utf8, nl_langinfo(CODESET)); }

}  // namespace oro::platform
