#include "hid_collections.h"

#include <vector>

namespace oro::device_api {

platform::ErrorCode OpenInterfaceCollection(platform::HidBus& bus, std::uint16_t vendor_id, std::uint16_t product_id,
                                            std::uint16_t interface_number, std::uint16_t collection,
                                            std::unique_ptr<platform::HidConnection>* out) {
  out->reset();
  std::vector<platform::HidInterfaceInfo> all;
  if (const auto rc = bus.Enumerate(&all)) return rc;
  const bool any = interface_number == 0 && collection == 0;
  for (const auto& info : all) {
    if (info.vendor_id != vendor_id || info.product_id != product_id) continue;
    // The class driver names a collection "colNN" only when its interface has
    // several, and an interface "mi_NN" only on a composite device; both must
    // be there to match (so collection 0 never does).
    if (!any && (info.interface_number < 0 || info.interface_number != interface_number || info.collection == 0 ||
                 info.collection != collection)) {
      continue;
    }
    // The first that qualifies decides, as the lookup by path does.
    return bus.Open(info.path, out);
  }
  return platform::err::kNotFound;
}

}  // namespace oro::device_api
