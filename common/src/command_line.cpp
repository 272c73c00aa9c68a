#include "oro/common/command_line.h"

namespace oro::common {

std::vector<std::wstring> SplitCommandLine(const std::wstring& text) {
  std::vector<std::wstring> out;
  std::wstring current;
  bool in_arg = false;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size();) {
    const wchar_t c = text[i];
    if (!quoted && (c == L' ' || c == L'\t')) {
      if (in_arg) out.push_back(current);
      current.clear();
      in_arg = false;
      ++i;
      continue;
    }
    in_arg = true;
    if (c == L'\\') {
      std::size_t n = 0;
      while (i < text.size() && text[i] == L'\\') {
        ++n;
        ++i;
      }
      if (i < text.size() && text[i] == L'"') {
        current.append(n / 2, L'\\');
        if (n % 2 == 1) {
          current += L'"';
          ++i;
        }
      } else {
        current.append(n, L'\\');
      }
      continue;
    }
    if (c == L'"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
        current += L'"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    current += c;
    ++i;
  }
  if (in_arg) out.push_back(current);
  return out;
}

}  // namespace oro::common
