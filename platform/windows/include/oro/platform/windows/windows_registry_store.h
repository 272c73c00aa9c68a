// The registry adapter with its five roots moved below one key of the current
// user: what the test programs use, so each test sees an empty registry of its
// own. Programs of the kit take MakeWindowsRegistryStore (the real roots).
#pragma once

#include <memory>
#include <string>

#include "oro/platform/registry_store.h"

namespace oro::platform::windows_host {

// Each root is "HKEY_CURRENT_USER\<base>\<root's full name>", created when
// missing with the default security of a root key. Status() reports a base
// that cannot be opened.
std::unique_ptr<RegistryStore> MakeRedirectedRegistryStore(const std::wstring& base);

}  // namespace oro::platform::windows_host
