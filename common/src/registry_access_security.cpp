// Owner and access list of keys: the audio endpoint keys belong to the system
// and have to be taken over before the kit can change them.
#include "oro/common/registry_access.h"
#include "oro/platform/text.h"
#include "registry_access_detail.h"

namespace oro::common {

namespace keyaccess = platform::keyaccess;

void RegistryAccess::EnsureWritable(const std::wstring& key) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, keyaccess::kReadControl | keyaccess::kWriteDac);
  platform::KeySecurity security;
  detail::ThrowIfFailed(store_.GetSecurity(handle, &security),
                        L"Error while getting security information for registry key " + key);

  // Set-access semantics: the new entry replaces whatever the list held for
  // the same trustee, other entries stay as they are.
  const platform::AccessEntry admins{platform::account::kAdministrators, keyaccess::kAllAccess,
                                     platform::aceflags::kContainerInherit | platform::aceflags::kObjectInherit};
  const std::wstring trustee = platform::FoldCase(admins.trustee);
  std::vector<platform::AccessEntry> merged;
  bool placed = false;
  for (const auto& entry : security.dacl) {
    if (platform::FoldCase(entry.trustee) != trustee) {
      merged.push_back(entry);
    } else if (!placed) {
      merged.push_back(admins);
      placed = true;
    }
  }
  if (!placed) merged.push_back(admins);
  security.dacl = std::move(merged);

  detail::ThrowIfFailed(store_.SetSecurity(handle, security, /*set_owner=*/false, /*set_dacl=*/true),
                        L"Error while setting security information for registry key " + key);
}

void RegistryAccess::TakeOwnership(const std::wstring& key) {
  // The take-ownership privilege belongs to administrators. Enabling it for
  // anybody else "succeeds" without effect, exactly as on Windows, so such a
  // caller first hears of it when the key refuses to open for write-owner.
  const platform::KeyHandle handle = detail::OpenKey(store_, key, keyaccess::kWriteOwner);
  platform::KeySecurity security;
  security.owner = platform::account::kAdministrators;
  detail::ThrowIfFailed(store_.SetSecurity(handle, security, /*set_owner=*/true, /*set_dacl=*/false),
                        L"Error while setting security information for registry key " + key);
}

}  // namespace oro::common
