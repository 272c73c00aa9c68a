// HID interfaces through SetupAPI and the HID class driver. Enumeration lists
// the HID device interfaces present, opens each without asking for access
// (so keyboards and mice, which the system holds, are described too) and
// reads the collection's capabilities; connections use overlapped I/O so a
// wait has a bound and a timed-out request is cancelled, never left to
// complete into a buffer that is gone.
// setupapi.h and the HID headers need windows.h first, hidpi.h needs
// hidsdi.h's types, and this toolchain's HID headers declare C functions
// without saying so.
// clang-format off
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on

#include <algorithm>
#include <atomic>
#include <mutex>

#include "oro/platform/text.h"
#include "oro/platform/windows/hid_interface_path.h"
#include "oro/platform/windows/wide_path.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

std::wstring DeviceString(HANDLE h, BOOLEAN(__stdcall* get)(HANDLE, PVOID, ULONG)) {
  wchar_t text[256] = {};  // the driver's strings hold at most 126 characters
  if (!get(h, text, sizeof text - sizeof(wchar_t))) return L"";
  return std::wstring(text);
}

template <typename Caps, typename Get>
void CollectIds(HIDP_REPORT_TYPE type, USHORT count, Get get, PHIDP_PREPARSED_DATA data,
                std::vector<std::uint8_t>* ids) {
  if (count == 0) return;
  std::vector<Caps> caps(count);
  if (get(type, caps.data(), &count, data) != HIDP_STATUS_SUCCESS) return;
  for (USHORT i = 0; i < count; ++i) ids->push_back(caps[i].ReportID);
}

// The collection behind an open handle; false when it is no HID collection.
bool Describe(HANDLE h, const std::string& path, HidInterfaceInfo* info) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!HidD_GetAttributes(h, &attributes)) return false;
  PHIDP_PREPARSED_DATA data = nullptr;
  if (!HidD_GetPreparsedData(h, &data)) return false;
  HIDP_CAPS caps{};
  const bool described = HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS;
  if (described) {
    std::vector<std::uint8_t> ids;
    CollectIds<HIDP_VALUE_CAPS>(HidP_Input, caps.NumberInputValueCaps, HidP_GetValueCaps, data, &ids);
    CollectIds<HIDP_VALUE_CAPS>(HidP_Output, caps.NumberOutputValueCaps, HidP_GetValueCaps, data, &ids);
    CollectIds<HIDP_VALUE_CAPS>(HidP_Feature, caps.NumberFeatureValueCaps, HidP_GetValueCaps, data, &ids);
    CollectIds<HIDP_BUTTON_CAPS>(HidP_Input, caps.NumberInputButtonCaps, HidP_GetButtonCaps, data, &ids);
    CollectIds<HIDP_BUTTON_CAPS>(HidP_Output, caps.NumberOutputButtonCaps, HidP_GetButtonCaps, data, &ids);
    CollectIds<HIDP_BUTTON_CAPS>(HidP_Feature, caps.NumberFeatureButtonCaps, HidP_GetButtonCaps, data, &ids);
    info->report_ids = DeclaredReportIds(std::move(ids));
  }
  HidD_FreePreparsedData(data);
  if (!described) return false;

  const HidPathParts parts = ParseHidInterfacePath(path);
  info->path = path;
  info->vendor_id = attributes.VendorID;
  info->product_id = attributes.ProductID;
  info->release = attributes.VersionNumber;
  info->interface_number = parts.interface_number;
  info->collection = parts.collection;
  info->usage_page = caps.UsagePage;
  info->usage = caps.Usage;
  info->input_report_length = caps.InputReportByteLength;
  info->output_report_length = caps.OutputReportByteLength;
  info->feature_report_length = caps.FeatureReportByteLength;
  info->manufacturer = DeviceString(h, HidD_GetManufacturerString);
  info->product = DeviceString(h, HidD_GetProductString);
  info->serial_number = DeviceString(h, HidD_GetSerialNumberString);
  return true;
}

ErrorCode OpenError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case 433:  // ERROR_NO_SUCH_DEVICE
    case ERROR_DEV_NOT_EXIST:
      return err::kFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return err::kAccessDenied;
    default:
      return code ? code : err::kGenFailure;
  }
}

// One overlapped request at a time per direction: its own event, waited for
// within the caller's bound, cancelled and drained when the bound passes.
class Request {
 public:
  Request() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  bool Ready() const { return event_.Valid(); }

  // `start` issues the I/O with the OVERLAPPED; the bytes moved or an error.
  template <typename Start>
  ErrorCode Run(HANDLE device, int timeout_ms, Start start, DWORD* moved) {
    *moved = 0;
    OVERLAPPED ov{};
    ov.hEvent = event_.Get();
    ResetEvent(ov.hEvent);
    if (!start(&ov)) {
      const DWORD code = GetLastError();
      if (code != ERROR_IO_PENDING) return HidIoError(code);
      const DWORD wait = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
      if (WaitForSingleObject(ov.hEvent, wait) != WAIT_OBJECT_0) {
        CancelIoEx(device, &ov);
        // The request may have finished meanwhile: then its bytes count.
        if (GetOverlappedResult(device, &ov, moved, TRUE)) return err::kSuccess;
        const DWORD ended = GetLastError();
        return ended == ERROR_OPERATION_ABORTED ? err::kTimeout : HidIoError(ended);
      }
    }
    if (!GetOverlappedResult(device, &ov, moved, TRUE)) return HidIoError(GetLastError());
    return err::kSuccess;
  }

 private:
  Handle event_;
};

class SetupApiHidConnection final : public HidConnection {
 public:
  SetupApiHidConnection(HANDLE device, HidInterfaceInfo info) : device_(device), info_(std::move(info)) {}

  const HidInterfaceInfo& Info() const override { return info_; }

  ErrorCode Write(const std::uint8_t* report, std::size_t size, int timeout_ms) override {
    std::lock_guard<std::mutex> lock(write_mutex_);
    if (gone_) return err::kDeviceNotConnected;
    std::vector<std::uint8_t> framed;
    if (const ErrorCode bad = FrameOutputReport(report, size, info_.output_report_length, &framed)) return bad;
    if (!writer_.Ready()) return err::kNotEnoughMemory;
    DWORD moved = 0;
    const ErrorCode code = Note(writer_.Run(
        device_.Get(), timeout_ms,
        [&](OVERLAPPED* ov) {
          return WriteFile(device_.Get(), framed.data(), static_cast<DWORD>(framed.size()), nullptr, ov);
        },
        &moved));
    if (code == err::kSuccess && moved != framed.size()) return err::kWriteFault;
    return code;
  }

  ErrorCode Read(std::uint8_t* buf, std::size_t capacity, int timeout_ms, std::size_t* received) override {
    std::lock_guard<std::mutex> lock(read_mutex_);
    *received = 0;
    if (gone_) return err::kDeviceNotConnected;
    if (info_.input_report_length == 0) return err::kNotSupported;
    if (capacity == 0) return err::kInvalidParameter;
    if (!reader_.Ready()) return err::kNotEnoughMemory;
    // The driver hands out whole reports only, so the read goes to a buffer
    // of the collection's length and as much as the caller holds is copied.
    report_.resize(info_.input_report_length);
    DWORD moved = 0;
    const ErrorCode code = Note(reader_.Run(
        device_.Get(), timeout_ms,
        [&](OVERLAPPED* ov) {
          return ReadFile(device_.Get(), report_.data(), static_cast<DWORD>(report_.size()), nullptr, ov);
        },
        &moved));
    if (code != err::kSuccess) return code;
    *received = std::min<std::size_t>(moved, capacity);
    std::copy(report_.begin(), report_.begin() + static_cast<std::ptrdiff_t>(*received), buf);
    return err::kSuccess;
  }

  void Flush() override {
    if (!gone_) HidD_FlushQueue(device_.Get());
  }

 private:
  ErrorCode Note(ErrorCode code) {
    if (code == err::kDeviceNotConnected) gone_ = true;
    return code;
  }

  Handle device_;
  HidInterfaceInfo info_;
  std::mutex read_mutex_;
  std::mutex write_mutex_;
  Request reader_;
  Request writer_;
  std::vector<std::uint8_t> report_;
  std::atomic<bool> gone_{false};
};

class SetupApiHidBus final : public HidBus {
 public:
  ErrorCode Enumerate(std::vector<HidInterfaceInfo>* out) override {
    out->clear();
    GUID hid{};
    HidD_GetHidGuid(&hid);
    HDEVINFO set = SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return OpenError(GetLastError());
    ErrorCode result = err::kSuccess;
    for (DWORD i = 0;; ++i) {
      SP_DEVICE_INTERFACE_DATA interface {};
      interface.cbSize = sizeof interface;
      if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid, i, &interface)) {
        if (GetLastError() != ERROR_NO_MORE_ITEMS) result = GetLastError();
        break;
      }
      DWORD size = 0;
      SetupDiGetDeviceInterfaceDetailW(set, &interface, nullptr, 0, &size, nullptr);
      if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
      std::vector<BYTE> buffer(size);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
      if (!SetupDiGetDeviceInterfaceDetailW(set, &interface, detail, size, nullptr, nullptr)) continue;
      const std::string path = ToUtf8(detail->DevicePath);
      // Asking for no access opens what the system holds exclusively too.
      Handle h(
          CreateFileW(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
      HidInterfaceInfo info;
      // An interface that vanished or cannot be described is left out.
      if (h.Valid() && Describe(h.Get(), path, &info)) out->push_back(std::move(info));
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(out->begin(), out->end(),
              [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) { return a.path < b.path; });
    if (result != err::kSuccess) out->clear();
    return result;
  }

  ErrorCode Open(const std::string& path, std::unique_ptr<HidConnection>* out) override {
    out->reset();
    if (path.empty()) return err::kFileNotFound;
    Handle h(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!h.Valid()) return OpenError(GetLastError());
    // Only a HID collection: a file or another device at the path is none.
    HidInterfaceInfo info;
    if (!Describe(h.Get(), path, &info)) return err::kFileNotFound;
    *out = std::make_unique<SetupApiHidConnection>(h.Release(), std::move(info));
    return err::kSuccess;
  }
};

}  // namespace

std::unique_ptr<HidBus> MakeSetupApiHidBus() { return std::make_unique<SetupApiHidBus>(); }

}  // namespace oro::platform::windows_host
