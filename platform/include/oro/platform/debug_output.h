// Debug output port: one line of diagnostics at a time.
#pragma once

#include <string>

namespace oro::platform {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  // A single line, without its end of line.
  virtual void Write(const std::wstring& line) = 0;
};

}  // namespace oro::platform
