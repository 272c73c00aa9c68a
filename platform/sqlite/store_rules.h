// The registry's rules that do not depend on storage: names and paths,
// who the caller is, default security and the access check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/registry_store.h"

namespace oro::platform::sqlite {

constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;
// Levels below the root, as deep as the registry lets a tree grow.
constexpr std::size_t kMaxKeyDepth = 512;

// Splits a backslash-separated sub-key path; empty gives no segments (the
// root itself). Empty segments or characters that cannot be stored give
// err::kBadKey, a segment longer than 255 UTF-16 units or a path deeper than
// kMaxKeyDepth err::kInvalidParameter.
ErrorCode SplitKeyPath(const std::wstring& path, std::vector<std::wstring>* segments);

// The empty name (the default value) is valid.
ErrorCode CheckValueName(const std::wstring& name);

// Folded form used for comparison and ordering, as stored UTF-8 text.
std::string FoldedUtf8(const std::wstring& name);

const wchar_t* RootName(RootKey root);
// The fixed identity of a root key in the store.
std::int64_t RootId(RootKey root);
bool ValidRoot(RootKey root);

// The caller from the effective user: uid 0 is the administrator.
Caller CallerFromProcess();
// Owner given to keys the caller creates.
std::wstring OwnerFor(const Caller& caller);

KeySecurity RootSecurity();
// What a new key gets from its parent when no security is given.
std::vector<AccessEntry> InheritedEntries(const std::vector<AccessEntry>& parent);

// Generic rights mapped to key rights; view flags dropped.
std::uint32_t NormalizeAccess(std::uint32_t access);

// Checks opening a key with `desired` rights; on success gives the rights the
// handle carries (kMaximumAllowed resolved).
ErrorCode CheckAccess(const Caller& caller, const KeySecurity& security, std::uint32_t desired, std::uint32_t* granted);

// Whether the caller may store `security` (owner rules); kInvalidOwner if not.
ErrorCode CheckOwnerChange(const Caller& caller, const std::wstring& new_owner);

}  // namespace oro::platform::sqlite
