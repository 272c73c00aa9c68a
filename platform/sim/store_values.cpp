#include "store_values.h"

#include "oro/platform/little_endian.h"
#include "oro/platform/reg_value_codec.h"

namespace oro::platform::sim {
namespace {

constexpr RootKey kRoot = RootKey::kLocalMachine;

ErrorCode Query(RegistryStore& store, const std::wstring& key, const std::wstring& name, RegValue* out) {
  KeyHandle h;
  if (ErrorCode rc = store.OpenKey(kRoot, key, keyaccess::kQueryValue, &h)) return rc;
  return store.QueryValue(h, name, out);
}

ErrorCode Set(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
  KeyHandle h;
  bool created = false;
  if (ErrorCode rc = store.CreateKey(kRoot, key, keyaccess::kSetValue, nullptr, &h, &created)) return rc;
  return store.SetValue(h, name, type, data.data(), data.size());
}

}  // namespace

ErrorCode ReadDword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t* out) {
  RegValue v;
  if (ErrorCode rc = Query(store, key, name, &v)) return rc;
  if (v.type != regtype::kDword || v.data.size() != 4) return err::kRegistryCorrupt;
  *out = LoadLe<std::uint32_t>(v.data.data());
  return err::kSuccess;
}

ErrorCode ReadString(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::wstring* out) {
  RegValue v;
  if (ErrorCode rc = Query(store, key, name, &v)) return rc;
  if (v.type != regtype::kSz && v.type != regtype::kExpandSz) return err::kRegistryCorrupt;
  *out = DecodeRegString(v.data);
  return err::kSuccess;
}

ErrorCode ReadBinary(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                     std::vector<std::uint8_t>* out) {
  RegValue v;
  if (ErrorCode rc = Query(store, key, name, &v)) return rc;
  if (v.type != regtype::kBinary) return err::kRegistryCorrupt;
  *out = std::move(v.data);
  return err::kSuccess;
}

ErrorCode ReadQword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint64_t* out) {
  RegValue v;
  if (ErrorCode rc = Query(store, key, name, &v)) return rc;
  if (v.type != regtype::kQword || v.data.size() != 8) return err::kRegistryCorrupt;
  *out = LoadLe<std::uint64_t>(v.data.data());
  return err::kSuccess;
}

ErrorCode ReadMultiString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                          std::vector<std::wstring>* out) {
  RegValue v;
  if (ErrorCode rc = Query(store, key, name, &v)) return rc;
  if (v.type != regtype::kMultiSz) return err::kRegistryCorrupt;
  *out = DecodeRegMultiString(v.data);
  return err::kSuccess;
}

ErrorCode WriteDword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t value) {
  return Set(store, key, name, regtype::kDword, LeBytes(value));
}

ErrorCode WriteQword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint64_t value) {
  return Set(store, key, name, regtype::kQword, LeBytes(value));
}

ErrorCode WriteString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                      const std::wstring& value) {
  return Set(store, key, name, regtype::kSz, EncodeRegString(value));
}

ErrorCode WriteMultiString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                           const std::vector<std::wstring>& values) {
  return Set(store, key, name, regtype::kMultiSz, EncodeRegMultiString(values));
}

ErrorCode WriteBinary(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                      const std::vector<std::uint8_t>& value) {
  return Set(store, key, name, regtype::kBinary, value);
}

ErrorCode DeleteValue(RegistryStore& store, const std::wstring& key, const std::wstring& name) {
  KeyHandle h;
  ErrorCode rc = store.OpenKey(kRoot, key, keyaccess::kSetValue, &h);
  if (rc == err::kSuccess) rc = store.DeleteValue(h, name);
  return rc == err::kFileNotFound ? err::kSuccess : rc;
}

ErrorCode EnsureKey(RegistryStore& store, const std::wstring& key) {
  KeyHandle h;
  bool created = false;
  return store.CreateKey(kRoot, key, keyaccess::kRead, nullptr, &h, &created);
}

bool KeyExists(RegistryStore& store, const std::wstring& key) {
  KeyHandle h;
  return store.OpenKey(kRoot, key, keyaccess::kQueryValue, &h) == err::kSuccess;
}

ErrorCode ListSubKeys(RegistryStore& store, const std::wstring& key, std::vector<std::wstring>* out) {
  out->clear();
  KeyHandle h;
  ErrorCode rc = store.OpenKey(kRoot, key, keyaccess::kEnumerateSubKeys, &h);
  if (rc == err::kFileNotFound) return err::kSuccess;
  if (rc) return rc;
  for (std::uint32_t i = 0;; ++i) {
    std::wstring name;
    rc = store.EnumKey(h, i, &name);
    if (rc == err::kNoMoreItems) return err::kSuccess;
    if (rc) return rc;
    out->push_back(std::move(name));
  }
}

ErrorCode DeleteTree(RegistryStore& store, const std::wstring& key) {
  std::vector<std::wstring> children;
  if (ErrorCode rc = ListSubKeys(store, key, &children)) return rc;
  for (const auto& child : children) {
    if (ErrorCode rc = DeleteTree(store, key + L"\\" + child)) return rc;
  }
  const ErrorCode rc = store.DeleteKey(kRoot, key);
  return rc == err::kFileNotFound ? err::kSuccess : rc;
}

}  // namespace oro::platform::sim
