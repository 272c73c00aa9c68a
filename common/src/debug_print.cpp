#include "oro/common/debug_print.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace oro::common {
namespace {

template <typename Char>
bool IsFlagOrWidth(Char c) {
  return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '\'' || c == '*' || c == '.' ||
         (c >= '0' && c <= '9');
}

// Rewrites the kit's format conventions (those of the wide and narrow print
// functions it was written against) into the C library's: the width of a %s
// or %c argument follows the function when no size is given and flips with
// the upper-case letter; "w" means wide, "I64" and "I32" name sizes. %n is
// dropped: a diagnostic line never writes into the caller's memory.
template <typename Char>
std::basic_string<Char> ToLibcFormat(const Char* format, bool wide_function) {
  std::basic_string<Char> out;
  const Char* p = format;
  while (*p) {
    if (*p != '%') {
      out.push_back(*p++);
      continue;
    }
    const Char* directive = p++;
    if (*p == '%') {
      out.append(directive, 2);
      ++p;
      continue;
    }
    while (*p && IsFlagOrWidth(*p)) ++p;
    const std::basic_string<Char> head(directive, p);
    char size = 0;  // 'h', 'l' (also for 'w') or 0
    std::basic_string<Char> size_text;
    for (;;) {
      if (*p == 'h' || *p == 'l' || *p == 'L' || *p == 'q' || *p == 'j' || *p == 'z' || *p == 't') {
        if (*p == 'h' || *p == 'l') size = static_cast<char>(*p);
        size_text.push_back(*p++);
      } else if (*p == 'w') {
        size = 'l';
        size_text.push_back('l');
        ++p;
      } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        size_text += {'l', 'l'};
        p += 3;
      } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
        p += 3;
      } else {
        break;
      }
    }
    const Char conv = *p;
    if (!conv) break;  // a lone "%" at the end prints nothing
    ++p;
    if (conv == 'n') continue;
    if (conv == 's' || conv == 'c' || conv == 'S' || conv == 'C') {
      const bool upper = conv == 'S' || conv == 'C';
      const bool wide_arg = size == 'h' ? false : size == 'l' ? true : (wide_function != upper);
      out += head;
      if (wide_arg) out.push_back('l');
      out.push_back(static_cast<Char>(upper ? conv - 'A' + 'a' : conv));
      continue;
    }
    out += head;
    out += size_text;
    out.push_back(conv);
  }
  return out;
}

}  // namespace

std::wstring FormatDebugLine(const char* format, va_list args) {
  if (!format) return {};
  const std::string fmt = ToLibcFormat(format, false);
  char buf[kDebugLineMax + 1];
  buf[0] = '\0';
  std::vsnprintf(buf, sizeof buf, fmt.c_str(), args);
  buf[kDebugLineMax] = '\0';
  std::wstring line;
  for (const char* c = buf; *c; ++c) {
    // Widened as a signed char into a 16-bit unit: 0xC3 becomes U+FFC3.
    line.push_back(static_cast<wchar_t>(static_cast<char16_t>(static_cast<signed char>(*c))));
  }
  return line;
}

std::wstring FormatDebugLineW(const wchar_t* format, va_list args) {
  if (!format) return {};
  const std::wstring fmt = ToLibcFormat(format, true);
  // The C library reports a cut line as a failure (glibc still fills the
  // buffer), so format with room to spare and cut to the limit afterwards.
  std::vector<wchar_t> buf(4096, L'\0');
  std::vswprintf(buf.data(), buf.size(), fmt.c_str(), args);
  buf.back() = L'\0';
  std::wstring line(buf.data());
  if (line.size() > kDebugLineMax) line.resize(kDebugLineMax);
  return line;
}

void DebugPrintV(platform::DebugOutput& out, const char* format, va_list args) {
  out.Write(FormatDebugLine(format, args));
}

void DebugPrintWV(platform::DebugOutput& out, const wchar_t* format, va_list args) {
  out.Write(FormatDebugLineW(format, args));
}

void DebugPrint(platform::DebugOutput& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DebugPrintV(out, format, args);
  va_end(args);
}

void DebugPrintW(platform::DebugOutput& out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  DebugPrintWV(out, format, args);
  va_end(args);
}

}  // namespace oro::common
