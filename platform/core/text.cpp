#include "oro/platform/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#include <wctype.h>
#endif

#include <type_traits>

namespace oro::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// wchar_t holds UTF-16 code units on Windows and code points elsewhere.
constexpr bool kUtf16Wide = sizeof(wchar_t) == 2;

void AppendWide(std::wstring& out, char32_t cp) {
  if (kUtf16Wide && cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 | (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 | (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto cp = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (kUtf16Wide && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const auto lo = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, cp);
  }
  return out;
}

bool IsValidUtf8(const std::string& text) { return ToUtf8(FromUtf8(text)) == text; }

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
      out.push_back(static_cast<wchar_t>(b0));
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    int got = 1;
    while (got < len && i + got < n && (static_cast<unsigned char>(text[i + got]) & 0xC0) == 0x80) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + got]) & 0x3F);
      ++got;
    }
    if (got < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      i += got;
      continue;
    }
    AppendWide(out, cp);
    i += len;
  }
  return out;
}

std::vector<std::uint8_t> ToUtf16Le(const std::wstring& text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  auto unit = [&out](std::uint32_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
  };
  for (wchar_t wc : text) {
    auto cp = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(wc));
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      unit(0xD800 | (cp >> 10));
      unit(0xDC00 | (cp & 0x3FF));
    } else {
      unit(cp > 0x10FFFF ? 0xFFFD : cp);
    }
  }
  return out;
}

std::wstring FromUtf16Le(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  const std::size_t units = size / 2;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t u = data[2 * i] | (data[2 * i + 1] << 8);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      std::uint32_t lo = data[2 * i + 2] | (data[2 * i + 3] << 8);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendWide(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    // A lone surrogate is kept as the code unit it is, so bytes round-trip.
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

std::wstring FoldCase(const std::wstring& text) {
#ifdef _WIN32
  // The registry's own rule: upper case without a locale.
  std::wstring out(text);
  if (!out.empty()) {
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()), out.data(),
                  static_cast<int>(out.size()), nullptr, nullptr, 0);
  }
  return out;
#else
  // A fixed locale, not the process's: the folded names are stored, and a
  // program that calls setlocale (every Qt program does) must fold exactly
  // as one that does not.
  static const locale_t kFoldLocale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  std::wstring out(text);
  for (auto& c : out) {
    const auto u = static_cast<wint_t>(c);
    c = static_cast<wchar_t>(kFoldLocale ? towupper_l(u, kFoldLocale) : (u >= L'a' && u <= L'z' ? u - 0x20 : u));
  }
  return out;
#endif
}

}  // namespace oro::platform
