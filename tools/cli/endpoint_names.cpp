#include "oro/tools/cli/endpoint_names.h"

namespace oro::tools::cli {

const char* FlowName(platform::Flow flow) { return flow == platform::Flow::kRender ? "render" : "capture"; }

const char* RoleName(platform::Role role) {
  switch (role) {
    case platform::Role::kConsole:
      return "console";
    case platform::Role::kMultimedia:
      return "multimedia";
    case platform::Role::kCommunications:
      return "communications";
  }
  return "?";
}

const char* StateName(std::uint32_t state) {
  switch (state) {
    case platform::devstate::kActive:
      return "active";
    case platform::devstate::kDisabled:
      return "disabled";
    case platform::devstate::kNotPresent:
      return "notpresent";
    case platform::devstate::kUnplugged:
      return "unplugged";
  }
  return "unknown";
}

}  // namespace oro::tools::cli
