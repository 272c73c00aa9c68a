// Module loader port: loads a shared object by path into the process and
// finds its entry points by name. Used for the processing object's
// registration entry points, which an administrator's process calls: the
// loader refuses a file that somebody other than its owner (or the
// administrator) could have changed.
#pragma once

#include <memory>
#include <string>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

class LoadedModule {
 public:
  virtual ~LoadedModule() = default;  // unloads the module
  // Null when the module has no such entry point.
  virtual void* Symbol(const char* name) = 0;
};

class ModuleLoader {
 public:
  virtual ~ModuleLoader() = default;
  // err::kFileNotFound when there is no such file; err::kAccessDenied when it
  // is not a regular file owned by the caller or an administrator, or when
  // anybody else may write it; err::kModuleNotFound when it is not a module
  // that loads.
  virtual ErrorCode Load(const std::wstring& path, std::unique_ptr<LoadedModule>* out) = 0;
  // Resolved path of the loaded module (or program) that holds `address`, a
  // function or object of it; empty when no module holds it. A module finds
  // its own file this way.
  virtual std::wstring PathContaining(const void* address) = 0;
};

}  // namespace oro::platform
