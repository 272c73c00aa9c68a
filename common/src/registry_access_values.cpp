// Reading and writing values: byte-exact, the store keeps what the registry
// would keep.
#include <algorithm>
#include <cstring>

#include "oro/common/registry_access.h"
#include "oro/platform/little_endian.h"
#include "oro/platform/reg_value_codec.h"
#include "registry_access_detail.h"

namespace oro::common {

using platform::keyaccess::kQueryValue;
using platform::keyaccess::kSetValue;
namespace regtype = platform::regtype;

namespace {

// Reads the value whole and checks its type (any type when `type` is null).
platform::RegValue ReadTyped(platform::RegistryStore& store, const std::wstring& key, const std::wstring& name,
                             const std::uint32_t* type) {
  const platform::KeyHandle handle = detail::OpenKey(store, key, kQueryValue);
  platform::RegValue value;
  detail::ThrowIfFailed(store.QueryValue(handle, name, &value),
                        L"Error while reading registry value " + detail::ValuePath(key, name));
  if (type && value.type != *type) {
    throw RegistryException(L"Registry value " + detail::ValuePath(key, name) + L" has wrong type");
  }
  return value;
}

platform::RegValue ReadAs(platform::RegistryStore& store, const std::wstring& key, const std::wstring& name,
                          std::uint32_t type) {
  return ReadTyped(store, key, name, &type);
}

void Write(platform::RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t type,
           const std::uint8_t* data, std::size_t size) {
  const platform::KeyHandle handle = detail::OpenKey(store, key, kSetValue);
  detail::ThrowIfFailed(store.SetValue(handle, name, type, data, size),
                        L"Error while writing to registry value " + detail::ValuePath(key, name));
}

void Write(platform::RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t type,
           const std::vector<std::uint8_t>& data) {
  Write(store, key, name, type, data.data(), data.size());
}

}  // namespace

std::wstring RegistryAccess::ReadString(const std::wstring& key, const std::wstring& name) {
  return platform::DecodeRegString(ReadAs(store_, key, name, regtype::kSz).data);
}

std::uint32_t RegistryAccess::ReadDword(const std::wstring& key, const std::wstring& name) {
  const platform::RegValue value = ReadAs(store_, key, name, regtype::kDword);
  // A number value holding fewer than four bytes can be stored; reading four
  // anyway would run past the data.
  if (value.data.size() < 4) {
    throw RegistryException(L"Registry value " + detail::ValuePath(key, name) + L" has wrong size");
  }
  return platform::LoadLe<std::uint32_t>(value.data.data());
}

std::vector<std::wstring> RegistryAccess::ReadMultiString(const std::wstring& key, const std::wstring& name) {
  return platform::DecodeRegMultiString(ReadAs(store_, key, name, regtype::kMultiSz).data);
}

std::vector<std::uint8_t> RegistryAccess::ReadBinary(const std::wstring& key, const std::wstring& name) {
  return ReadAs(store_, key, name, regtype::kBinary).data;
}

std::size_t RegistryAccess::ReadBinaryInto(const std::wstring& key, const std::wstring& name, void* buffer,
                                           std::size_t size) {
  const platform::RegValue value = ReadAs(store_, key, name, regtype::kBinary);
  if (!buffer && size > 0) {
    throw RegistryException(detail::WithErrorText(L"Error while reading registry value " + detail::ValuePath(key, name),
                                                  platform::err::kInvalidParameter));
  }
  // Callers pass fixed-size records; a longer stored value fills the record
  // and the rest is left out, so the buffer is never overrun.
  const std::size_t count = std::min(size, value.data.size());
  if (count > 0) std::memcpy(buffer, value.data.data(), count);
  return count;
}

platform::RegValue RegistryAccess::ReadValue(const std::wstring& key, const std::wstring& name) {
  return ReadTyped(store_, key, name, nullptr);
}

void RegistryAccess::WriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  Write(store_, key, name, regtype::kSz, platform::EncodeRegString(value));
}

void RegistryAccess::WriteDword(const std::wstring& key, const std::wstring& name, std::uint32_t value) {
  std::uint8_t bytes[4];
  platform::StoreLe(bytes, value);
  Write(store_, key, name, regtype::kDword, bytes, sizeof bytes);
}

void RegistryAccess::WriteBinary(const std::wstring& key, const std::wstring& name, const void* data,
                                 std::size_t size) {
  if (!data && size > 0) {
    throw RegistryException(detail::WithErrorText(
        L"Error while writing to registry value " + detail::ValuePath(key, name), platform::err::kInvalidParameter));
  }
  Write(store_, key, name, regtype::kBinary, static_cast<const std::uint8_t*>(data), size);
}

void RegistryAccess::WriteMultiString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  Write(store_, key, name, regtype::kMultiSz, platform::EncodeRegMultiString({value}));
}

void RegistryAccess::WriteMultiStringList(const std::wstring& key, const std::wstring& name,
                                          const std::vector<std::wstring>& values) {
  Write(store_, key, name, regtype::kMultiSz, platform::EncodeRegMultiString(values));
}

void RegistryAccess::WriteValue(const std::wstring& key, const std::wstring& name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) {
  Write(store_, key, name, type, data);
}

void RegistryAccess::DeleteValue(const std::wstring& key, const std::wstring& name) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, kSetValue);
  detail::ThrowIfFailed(store_.DeleteValue(handle, name),
                        L"Error while deleting registry value " + detail::ValuePath(key, name));
}

bool RegistryAccess::ValueExists(const std::wstring& key, const std::wstring& name) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, kQueryValue);
  return store_.QueryValue(handle, name, nullptr) == platform::err::kSuccess;
}

}  // namespace oro::common
