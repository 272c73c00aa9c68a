// Console text on Windows: the console's output code page, or the code page
// a name such as "GBK" stands for.
#include <windows.h>

#include <cstring>
#include <string>

#include "oro/platform/console_text.h"

namespace oro::platform {
namespace {

struct CodePageName {
  const char* name;
  UINT code_page;
};

constexpr CodePageName kNames[] = {
    {"GBK", 936},           {"GB2312", 936},          {"CP936", 936},     {"BIG5", 950},     {"CP950", 950},
    {"SHIFT_JIS", 932},     {"CP932", 932},           {"EUC-KR", 949},    {"CP949", 949},    {"CP1252", 1252},
    {"WINDOWS-1252", 1252}, {"ISO-8859-1", 28591},    {"UTF-8", CP_UTF8}, {"UTF8", CP_UTF8}, {"ASCII", 20127},
    {"US-ASCII", 20127},    {"ANSI_X3.4-1968", 20127}};

UINT CodePageOf(const char* codeset) {
  if (!codeset || !*codeset) return CP_UTF8;
  for (const auto& n : kNames) {
    if (_stricmp(codeset, n.name) == 0) return n.code_page;
  }
  return 0;
}

// UTF-8 and ASCII pass unchanged, as does text no code page can take.
std::string Convert(const std::string& utf8, UINT code_page) {
  if (utf8.empty() || code_page == 0 || code_page == CP_UTF8 || code_page == 20127) return utf8;
  const int wide_len = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (wide_len <= 0) return utf8;
  std::wstring wide(static_cast<std::size_t>(wide_len), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wide_len);
  BOOL lossy = FALSE;
  const BOOL* lossy_out = (code_page == CP_UTF7) ? nullptr : &lossy;
  const int len = WideCharToMultiByte(code_page, 0, wide.data(), wide_len, nullptr, 0, nullptr, nullptr);
  if (len <= 0) return utf8;
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), wide_len, out.data(), len, nullptr, const_cast<BOOL*>(lossy_out));
  return lossy ? utf8 : out;
}

}  // namespace

std::string Utf8ToCodeset(const std::string& utf8, const char* codeset) { return Convert(utf8, CodePageOf(codeset)); }

std::string ToConsoleEncoding(const std::string& utf8) {
  const UINT cp = GetConsoleOutputCP();
  return Convert(utf8, cp != 0 ? cp : GetACP());
}

}  // namespace oro::platform
