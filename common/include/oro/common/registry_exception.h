// The one failure type of the registry functions and the helpers beside them.
#pragma once

#include <string>
#include <utility>

namespace oro::common {

// One wide message; thrown by value, caught by reference.
class RegistryException {
 public:
  explicit RegistryException(std::wstring message) : message_(std::move(message)) {}
  const std::wstring& Message() const { return message_; }

 private:
  std::wstring message_;
};

}  // namespace oro::common
