#include "oro/common/guid.h"

#include <cstdio>

namespace oro::common {

std::wstring GuidToString(const Guid& guid) {
  wchar_t text[40];
  std::swprintf(text, sizeof text / sizeof text[0], L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2), static_cast<unsigned>(guid.data3),
                guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6],
                guid.data4[7]);
  return text;
}

}  // namespace oro::common
