#include "stored_blocks.h"

#include "oro/common/error_text.h"
#include "oro/common/key_path.h"
#include "oro/common/property_blocks.h"
#include "oro/platform/text.h"

namespace oro::tools {
namespace {

StoredBlock Unreadable(platform::ErrorCode rc, const wchar_t* value_name, std::string* problem) {
  std::string text = platform::ToUtf8(common::ErrorText(rc));
  if (text.empty()) text = "error " + std::to_string(rc);
  *problem = "the settings store could not be read (" + platform::ToUtf8(common::kBlockStoreKey) + "\\" +
             platform::ToUtf8(value_name) + "): " + text;
  return StoredBlock::kUnreadable;
}

}  // namespace

StoredBlock ReadStoredBlock(platform::RegistryStore& store, const wchar_t* value_name, std::vector<std::uint8_t>* bytes,
                            std::string* problem) {
  bytes->clear();
  const common::KeyPath path = common::ParseKeyPath(common::kBlockStoreKey);
  platform::KeyHandle key;
  platform::ErrorCode rc = store.OpenKey(path.root, path.sub_key, platform::keyaccess::kQueryValue, &key);
  if (rc == platform::err::kFileNotFound) return StoredBlock::kAbsent;
  if (rc != platform::err::kSuccess) return Unreadable(rc, value_name, problem);
  platform::RegValue value;
  rc = store.QueryValue(key, value_name, &value);
  if (rc == platform::err::kFileNotFound) return StoredBlock::kAbsent;
  if (rc != platform::err::kSuccess) return Unreadable(rc, value_name, problem);
  *bytes = std::move(value.data);
  return StoredBlock::kPresent;
}

}  // namespace oro::tools
