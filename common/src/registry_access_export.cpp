#include "oro/common/key_path.h"
#include "oro/common/reg_file.h"
#include "oro/common/registry_access.h"

namespace oro::common {

void RegistryAccess::ExportToRegFile(const std::wstring& key, const std::vector<std::wstring>& names,
                                     const std::wstring& path) {
  // The file is opened first so that an unwritable target is reported before
  // anything is read; it replaces the old one only once it is complete.
  ReplacingFile file(path);
  RegFileBuilder reg;
  reg.BeginKey(ParseKeyPath(key).Canonical());
  for (const auto& name : names) reg.AddString(name, ReadString(key, name));
  file.Commit(reg.Bytes());
}

}  // namespace oro::common
