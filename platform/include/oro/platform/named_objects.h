// Named objects port: shared sections and mutexes named like kernel objects
// ("Global\\{...}"), visible to every process of the machine (or, with an
// ORO_ROOT, of that state folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

// Who may open a named object besides its creator. On Linux the owner gets
// read-write and the audio engine's group gets the service rights; nobody else.
struct ObjectSecurity {
  std::uint32_t user_rights = 0;
  std::uint32_t service_rights = 0;
};

class SharedSection {
 public:
  virtual ~SharedSection() = default;
  virtual std::uint8_t* Data() = 0;
  virtual std::size_t Size() const = 0;
};

class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

// Names are 1 to kMaxObjectName characters; any other is err::kInvalidParameter.
constexpr std::size_t kMaxObjectName = 260;

class NamedObjects {
 public:
  virtual ~NamedObjects() = default;
  // Creates the section or opens the existing one, and maps all of it shared.
  virtual ErrorCode CreateSection(const std::wstring& name, std::size_t size, const ObjectSecurity* security,
                                  std::unique_ptr<SharedSection>* out) = 0;
  // Opens an existing section only (err::kFileNotFound when nobody created it).
  virtual ErrorCode OpenSection(const std::wstring& name, std::size_t size, std::unique_ptr<SharedSection>* out) = 0;
  // Creates or opens a named mutex; *already_existed tells whether another
  // holder had it. The name stays taken while the returned object lives.
  virtual ErrorCode CreateMutex(const std::wstring& name, const ObjectSecurity* security,
                                std::unique_ptr<NamedMutex>* out, bool* already_existed) = 0;
  // 0 when a holder has the mutex, err::kFileNotFound when nobody does.
  virtual ErrorCode OpenMutex(const std::wstring& name) = 0;
};

}  // namespace oro::platform
