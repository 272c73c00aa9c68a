// Class and interface ids and their text form.
#pragma once

#include <cstdint>
#include <string>

namespace oro::common {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::wstring GuidToString(const Guid& guid);

}  // namespace oro::common
