// getDeviceInfo, setDeviceProperty, releaseDeviceInfo: the record the panel
// owns, the persisted blocks and the section the processing object reads.
#include <cstring>
#include <exception>

#include "load_device_info.h"
#include "oro/common/eq_coefficients.h"
#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"
#include "shared_block.h"

static_assert(ORO_DEVICE_INFO_SIZE == oro::common::DeviceInfo::kSize, "the header's record size is the record's");

namespace {

using oro::common::DeviceInfo;
using oro::common::PropertyBlock1;
using oro::common::PropertyBlock2;
using oro::common::PropertyBlock3;
using oro::device_api::DebugLine;
using oro::device_api::PersistBlock;
using oro::device_api::SharedBlock;

// The record is plain caller memory: work on a copy and hand it back whole.
DeviceInfo ReadRecord(const void* record) { return oro::common::BlockFromBytes<DeviceInfo>(record); }
void WriteRecord(void* record, const DeviceInfo& info) { std::memcpy(record, &info, sizeof info); }

void Publish(const DeviceInfo& info, const void* data, std::size_t offset, std::size_t size) {
  oro::device_api::WithSharedBlock(
      info.SectionHandle(), [&](SharedBlock& block) { block.Write(data, static_cast<std::int64_t>(offset), size); });
}

// Persists each (name, block) in turn; false when the store refused one.
bool Persist(std::initializer_list<std::pair<const wchar_t*, std::pair<const void*, std::size_t>>> blocks) {
  try {
    for (const auto& [name, block] : blocks) PersistBlock(name, block.first, block.second);
    return true;
  } catch (const oro::common::RegistryException& e) {
    DebugLine(e.Message());
    return false;
  }
}

int32_t Failed(const char* where, const std::exception* e) {
  try {
    DebugLine(oro::platform::FromUtf8(std::string(where) + ": " + (e ? e->what() : "unexpected failure")));
  } catch (...) {
  }
  return ORO_ERR_STORE;
}

}  // namespace

extern "C" ORO_API int32_t getDeviceInfo(int32_t /*index*/, void* record) {
  if (!record) return ORO_ERR_INVALID_ARGUMENT;
  try {
    DeviceInfo info;
    // A store that cannot be read still leaves a complete record with the
    // defaults; the panel can run, it only cannot keep its settings.
    oro::device_api::LoadDeviceInfo(&info);

    auto block = std::make_unique<SharedBlock>(oro::device_api::LibraryPlatform().objects.get());
    block->Create(nullptr, oro::common::kSectionSize, true);
    if (!block->Mapped()) DebugLine(L"shared section " + block->Name() + L" is not available");
    block->Write(&info.Block1(), oro::common::kBlock1PayloadOffset, PropertyBlock1::kSize);
    block->Write(&info.Block2(), oro::common::kBlock2PayloadOffset, PropertyBlock2::kSize);
    info.SetSectionHandle(oro::device_api::AdoptSharedBlock(std::move(block)));
    WriteRecord(record, info);
    return ORO_OK;
  } catch (const std::exception& e) {
    return Failed("getDeviceInfo", &e);
  } catch (...) {
    return Failed("getDeviceInfo", nullptr);
  }
}

extern "C" ORO_API int32_t setDeviceProperty(void* record, int32_t type, const void* data) {
  if (type < oro::common::kPropertyType1 || type > oro::common::kPropertyType3) return ORO_ERR_INVALID_TYPE;
  if (!record || !data) return ORO_ERR_INVALID_ARGUMENT;
  try {
    DeviceInfo info = ReadRecord(record);
    bool stored = true;
    switch (type) {
      case oro::common::kPropertyType3: {
        PropertyBlock3& b3 = info.Block3();
        std::memcpy(&b3, data, PropertyBlock3::kSize);
        oro::common::ComputeEqCoefficients(info.Block2(), b3);
        WriteRecord(record, info);
        stored = Persist({{oro::common::kBlock3ValueName, {&b3, PropertyBlock3::kSize}},
                          {oro::common::kBlock2ValueName, {&info.Block2(), PropertyBlock2::kSize}}});
        Publish(info, &info.Block2(), oro::common::kBlock2PayloadOffset, PropertyBlock2::kSize);
        break;
      }
      case oro::common::kPropertyType2:
        std::memcpy(&info.Block2(), data, PropertyBlock2::kSize);
        WriteRecord(record, info);
        stored = Persist({{oro::common::kBlock2ValueName, {&info.Block2(), PropertyBlock2::kSize}}});
        Publish(info, &info.Block2(), oro::common::kBlock2PayloadOffset, PropertyBlock2::kSize);
        break;
      default:
        std::memcpy(&info.Block1(), data, PropertyBlock1::kSize);
        WriteRecord(record, info);
        stored = Persist({{oro::common::kBlock1ValueName, {&info.Block1(), PropertyBlock1::kSize}}});
        Publish(info, &info.Block1(), oro::common::kBlock1PayloadOffset, PropertyBlock1::kSize);
        break;
    }
    // The sound follows the new block even when it could not be kept.
    return stored ? ORO_OK : ORO_ERR_STORE;
  } catch (const std::exception& e) {
    return Failed("setDeviceProperty", &e);
  } catch (...) {
    return Failed("setDeviceProperty", nullptr);
  }
}

extern "C" ORO_API int32_t releaseDeviceInfo(void* record) {
  if (!record) return ORO_ERR_INVALID_ARGUMENT;
  try {
    // The handle field keeps its value; a second release finds nothing live.
    oro::device_api::ReleaseSharedBlock(ReadRecord(record).SectionHandle());
    return ORO_OK;
  } catch (...) {
    return Failed("releaseDeviceInfo", nullptr);
  }
}
