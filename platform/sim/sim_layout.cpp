#include "oro/platform/sim/sim_layout.h"

namespace oro::platform::sim::layout {
namespace {

constexpr const wchar_t* kRenderPrefix = L"{0.0.0.00000000}.";
constexpr const wchar_t* kCapturePrefix = L"{0.0.1.00000000}.";

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

const wchar_t* FlowKeyName(Flow flow) { return flow == Flow::kRender ? kRenderKey : kCaptureKey; }

std::wstring FlowTreePath(Flow flow) { return std::wstring(kAudioTree) + L"\\" + FlowKeyName(flow); }

std::wstring EndpointKeyPath(Flow flow, const std::wstring& guid) { return FlowTreePath(flow) + L"\\" + guid; }

std::wstring EndpointId(Flow flow, const std::wstring& guid) {
  return (flow == Flow::kRender ? kRenderPrefix : kCapturePrefix) + guid;
}

bool ParseEndpointId(const std::wstring& id, Flow* flow, std::wstring* guid) {
  Flow f;
  std::wstring rest;
  if (StartsWith(id, kRenderPrefix)) {
    f = Flow::kRender;
    rest = id.substr(std::wstring(kRenderPrefix).size());
  } else if (StartsWith(id, kCapturePrefix)) {
    f = Flow::kCapture;
    rest = id.substr(std::wstring(kCapturePrefix).size());
  } else {
    return false;
  }
  // The key name is one path element: a separator would reach another key.
  if (rest.empty() || rest.find(L'\\') != std::wstring::npos) return false;
  *flow = f;
  *guid = rest;
  return true;
}

std::wstring DefaultValueName(Flow flow, Role role) {
  static const wchar_t* const kRoles[] = {L"Console", L"Multimedia", L"Communications"};
  return std::wstring(FlowKeyName(flow)) + L"." + kRoles[static_cast<int>(role)];
}

}  // namespace oro::platform::sim::layout
