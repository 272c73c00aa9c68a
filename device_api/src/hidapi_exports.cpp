// The hidapi names over the kit's HID bus. A device keeps its connection and
// its last error; hid_error(nullptr) tells why the last enumeration or open
// of this thread failed.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "hid_collections.h"
#include "oro/common/error_text.h"
#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"

struct hid_device_ {
  std::unique_ptr<oro::platform::HidConnection> connection;
  bool nonblocking = false;
  std::wstring error;
};

namespace {

namespace err = oro::platform::err;
using oro::platform::HidInterfaceInfo;

constexpr int kWriteTimeoutMs = 1000;

thread_local std::wstring g_error;

std::shared_ptr<oro::platform::HidBus> Bus() { return oro::device_api::LibraryPlatform().hid; }

void SetError(std::wstring* where, oro::platform::ErrorCode code) {
  *where = code == err::kSuccess ? std::wstring() : oro::common::ErrorText(code);
}

wchar_t* CopyWide(const std::wstring& text) {
  auto* copy = static_cast<wchar_t*>(std::calloc(text.size() + 1, sizeof(wchar_t)));
  if (copy) std::wmemcpy(copy, text.c_str(), text.size());
  return copy;
}

hid_device* Wrap(std::unique_ptr<oro::platform::HidConnection> connection) {
  auto* dev = new hid_device_;
  dev->connection = std::move(connection);
  return dev;
}

int CopyString(hid_device* dev, const std::wstring& text, wchar_t* string, size_t maxlen) {
  if (!dev || !string || maxlen == 0) return -1;
  const std::size_t n = std::min(text.size(), maxlen - 1);
  std::wmemcpy(string, text.c_str(), n);
  string[n] = L'\0';
  return 0;
}

}  // namespace

extern "C" ORO_API int hid_init(void) { return 0; }
extern "C" ORO_API int hid_exit(void) { return 0; }

extern "C" ORO_API struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
  try {
    auto bus = Bus();
    std::vector<HidInterfaceInfo> all;
    const auto rc = bus ? bus->Enumerate(&all) : err::kNotFound;
    SetError(&g_error, rc);
    if (rc != err::kSuccess) return nullptr;
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const auto& info : all) {
      if ((vendor_id && info.vendor_id != vendor_id) || (product_id && info.product_id != product_id)) continue;
      auto* e = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
      if (!e) break;
      e->path = strdup(info.path.c_str());
      e->vendor_id = info.vendor_id;
      e->product_id = info.product_id;
      e->serial_number = CopyWide(info.serial_number);
      e->release_number = info.release;
      e->manufacturer_string = CopyWide(info.manufacturer);
      e->product_string = CopyWide(info.product);
      e->usage_page = info.usage_page;
      e->usage = info.usage;
      e->interface_number = info.interface_number;
      e->bus_type = 1;  // USB
      *tail = e;
      tail = &e->next;
    }
    return head;
  } catch (...) {
    return nullptr;
  }
}

extern "C" ORO_API void hid_free_enumeration(struct hid_device_info* devs) {
  while (devs) {
    hid_device_info* next = devs->next;
    std::free(devs->path);
    std::free(devs->serial_number);
    std::free(devs->manufacturer_string);
    std::free(devs->product_string);
    std::free(devs);
    devs = next;
  }
}

extern "C" ORO_API hid_device* hid_open_path(const char* path) {
  try {
    auto bus = Bus();
    if (!path || !bus) {
      SetError(&g_error, err::kInvalidParameter);
      return nullptr;
    }
    std::unique_ptr<oro::platform::HidConnection> c;
    const auto rc = bus->Open(path, &c);
    SetError(&g_error, rc);
    return rc == err::kSuccess ? Wrap(std::move(c)) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

extern "C" ORO_API hid_device* hid_open(unsigned short vendor_id, unsigned short product_id,
                                        const wchar_t* serial_number) {
  try {
    auto bus = Bus();
    std::vector<HidInterfaceInfo> all;
    if (!bus || bus->Enumerate(&all) != err::kSuccess) {
      SetError(&g_error, err::kNotFound);
      return nullptr;
    }
    for (const auto& info : all) {
      if (info.vendor_id != vendor_id || info.product_id != product_id) continue;
      if (serial_number && info.serial_number != serial_number) continue;
      return hid_open_path(info.path.c_str());
    }
    SetError(&g_error, err::kNotFound);
    return nullptr;
  } catch (...) {
    return nullptr;
  }
}

extern "C" ORO_API hid_device* hid_open_intf_col(unsigned short vendor_id, unsigned short product_id,
                                                 unsigned short interface_number, unsigned short collection) {
  try {
    auto bus = Bus();
    if (!bus) return nullptr;
    std::unique_ptr<oro::platform::HidConnection> c;
    const auto rc =
        oro::device_api::OpenInterfaceCollection(*bus, vendor_id, product_id, interface_number, collection, &c);
    SetError(&g_error, rc);
    return rc == err::kSuccess ? Wrap(std::move(c)) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

extern "C" ORO_API int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
  if (!dev || !data || length == 0) return -1;
  try {
    const auto& info = dev->connection->Info();
    // The class driver takes whole reports; a longer buffer is cut to one.
    const std::size_t size = std::min<std::size_t>(length, info.output_report_length);
    // Writes wait for the device in both modes, but never without a bound.
    const auto rc = dev->connection->Write(data, size, kWriteTimeoutMs);
    SetError(&dev->error, rc);
    // A short report goes out padded to the report length, which is what was written.
    return rc == err::kSuccess ? static_cast<int>(info.output_report_length) : -1;
  } catch (...) {
    return -1;
  }
}

extern "C" ORO_API int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
  if (!dev || !data) return -1;
  try {
    std::vector<std::uint8_t> report(std::max<std::size_t>(dev->connection->Info().input_report_length, 1) + 1);
    std::size_t got = 0;
    const auto rc = dev->connection->Read(report.data(), report.size(), milliseconds < 0 ? -1 : milliseconds, &got);
    if (rc == err::kTimeout) return 0;
    SetError(&dev->error, rc);
    if (rc != err::kSuccess) return -1;
    // Unnumbered reports come without their 0 byte, as hidapi gives them.
    const bool numbered = !dev->connection->Info().report_ids.empty();
    const std::uint8_t* from = numbered ? report.data() : report.data() + 1;
    const std::size_t size = numbered ? got : (got ? got - 1 : 0);
    const std::size_t copy = std::min(size, length);
    std::memcpy(data, from, copy);
    return static_cast<int>(copy);
  } catch (...) {
    return -1;
  }
}

extern "C" ORO_API int hid_read(hid_device* dev, unsigned char* data, size_t length) {
  if (!dev) return -1;
  return hid_read_timeout(dev, data, length, dev->nonblocking ? 0 : -1);
}

extern "C" ORO_API int hid_set_nonblocking(hid_device* dev, int nonblock) {
  if (!dev) return -1;
  dev->nonblocking = nonblock != 0;
  return 0;
}

extern "C" ORO_API int hid_send_feature_report(hid_device* dev, const unsigned char*, size_t) {
  if (!dev) return -1;
  dev->error = L"Feature reports are not offered by this HID bus.";
  return -1;
}

extern "C" ORO_API int hid_get_feature_report(hid_device* dev, unsigned char*, size_t) {
  if (!dev) return -1;
  dev->error = L"Feature reports are not offered by this HID bus.";
  return -1;
}

extern "C" ORO_API void hid_close(hid_device* dev) { delete dev; }

extern "C" ORO_API int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  return dev ? CopyString(dev, dev->connection->Info().manufacturer, string, maxlen) : -1;
}

extern "C" ORO_API int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  return dev ? CopyString(dev, dev->connection->Info().product, string, maxlen) : -1;
}

extern "C" ORO_API int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  return dev ? CopyString(dev, dev->connection->Info().serial_number, string, maxlen) : -1;
}

extern "C" ORO_API int hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t) {
  if (!dev) return -1;
  dev->error = L"Indexed strings are not offered by this HID bus.";
  return -1;
}

extern "C" ORO_API const wchar_t* hid_error(hid_device* dev) {
  const std::wstring& e = dev ? dev->error : g_error;
  return e.empty() ? nullptr : e.c_str();
}
