// What the system's service accounts may do with a file.
#pragma once

#include <cstdint>
#include <string>

#include "oro/common/registry_exception.h"

namespace oro::common {

// Well-known NT-authority accounts by relative identifier.
namespace rid {
constexpr std::uint32_t kLocalSystem = 18;
constexpr std::uint32_t kLocalService = 19;
constexpr std::uint32_t kNetworkService = 20;
}  // namespace rid

// What a well-known NT-authority account (rid::...) may do with a file, as an
// access mask with the file rights' numbers. Throws RegistryException for a
// file that cannot be examined or an account it does not know.
std::uint32_t GetFileAccess(const std::wstring& path, std::uint32_t relative_id);

}  // namespace oro::common
