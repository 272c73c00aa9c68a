// Helpers shared by the registry access operations: opening a key and
// building the messages that end in the system's error text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "oro/common/error_text.h"
#include "oro/platform/registry_store.h"

namespace oro::common::detail {

// message + ": " + the code's text.
std::wstring WithErrorText(const std::wstring& message, platform::ErrorCode code);

// Throws RegistryException(WithErrorText(message, code)) unless code is success.
void ThrowIfFailed(platform::ErrorCode code, const std::wstring& message);

// key + "\\" + name, as value paths appear in messages.
std::wstring ValuePath(const std::wstring& key, const std::wstring& name);

// Parses the path and opens the key in the 64-bit view with `rights`; throws
// "Error while opening registry key K: <text>" when the store refuses.
platform::KeyHandle OpenKey(platform::RegistryStore& store, const std::wstring& key, std::uint32_t rights);

// A wide path as the file system takes it (UTF-8 bytes on Linux).
std::filesystem::path NativePath(const std::wstring& path);

}  // namespace oro::common::detail
