// Starting and ending helper programs by name, elevation, and the
// single-instance mutex.
//
// Names are executable file names only: one with a path separator or a
// control character names no program, so nothing is started, found or ended
// for it. The show command has no meaning for programs on Linux.
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "oro/common/command_line.h"
#include "oro/common/error_text.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"

namespace {

namespace platform = oro::platform;
namespace err = platform::err;

constexpr const wchar_t* kKitKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit";
constexpr std::size_t kMaxName = 255;
// Rights of the single-instance mutex: the user everything, the audio
// service's account enough to wait on it.
constexpr platform::ObjectSecurity kInstanceSecurity{0x1F0001, 0x100001};

bool ValidName(const wchar_t* name) {
  if (!name || !*name) return false;
  std::size_t n = 0;
  for (const wchar_t* p = name; *p; ++p, ++n) {
    if (*p == L'/' || *p == L'\\' || *p < 0x20 || *p == 0x7F || n >= kMaxName) return false;
  }
  const std::wstring s(name);
  return s != L"." && s != L"..";
}

std::vector<platform::ProcessEntry> ProcessIdsByName(const wchar_t* name) {
  std::vector<platform::ProcessEntry> out;
  auto& processes = oro::device_api::LibraryPlatform().processes;
  if (!ValidName(name) || !processes) return out;
  std::vector<platform::ProcessEntry> all;
  if (processes->Snapshot(&all)) return out;
  const std::wstring want = platform::FoldCase(name);
  for (auto& p : all) {
    if (platform::FoldCase(p.name) == want) out.push_back(std::move(p));
  }
  return out;
}

void PrintFailure(const std::wstring& path, platform::ErrorCode code) {
  // A code without a known text still says what failed.
  std::string text = platform::ToUtf8(oro::common::ErrorText(code));
  if (text.empty()) text = "error " + std::to_string(code);
  std::printf("failed start %s,err=%s\r\n", platform::ToUtf8(path).c_str(), text.c_str());
  std::fflush(stdout);
}

#ifdef _WIN32
constexpr wchar_t kSeparator = L'\\';
#else
constexpr wchar_t kSeparator = L'/';
#endif

// A folder that already ends in a separator (either spelling) gets no second one.
std::wstring JoinPath(std::wstring folder, const std::wstring& name) {
  if (folder.empty() || (folder.back() != L'/' && folder.back() != kSeparator)) folder += kSeparator;
  return folder + name;
}

// Mutexes taken by _IsAlreadyRun, held until the process ends.
std::mutex g_instances_mutex;
std::vector<std::unique_ptr<platform::NamedMutex>>& Instances() {
  static std::vector<std::unique_ptr<platform::NamedMutex>> held;
  return held;
}

}  // namespace

extern "C" ORO_API void _start_task(const wchar_t* name, const wchar_t* parameters, int32_t show_command,
                                    const wchar_t* folder) {
  (void)show_command;
  try {
    auto& p = oro::device_api::LibraryPlatform();
    std::wstring base;
    if (folder && *folder) {
      base = folder;
    } else {
      try {
        base = oro::common::RegistryAccess(*p.registry).ReadString(kKitKey, L"InstallPath");
      } catch (const oro::common::RegistryException& e) {
        std::printf("failed start %s,err=%s\r\n", platform::ToUtf8(name ? name : L"").c_str(),
                    platform::ToUtf8(e.Message()).c_str());
        std::fflush(stdout);
        return;
      }
    }
    const std::wstring path = JoinPath(base, name ? name : L"");
    if (!ValidName(name)) return PrintFailure(path, err::kInvalidName);
    if (!p.processes) return PrintFailure(path, err::kNotSupported);
    platform::StartRequest request;
    request.program = path;
    if (parameters) request.args = oro::common::SplitCommandLine(parameters);
    if (platform::ErrorCode rc = p.processes->Start(request, nullptr)) PrintFailure(path, rc);
  } catch (...) {
  }
}

extern "C" ORO_API void _kill_task(const wchar_t* name) {
  try {
    auto& processes = oro::device_api::LibraryPlatform().processes;
    // Those that cannot be ended (another user's, or gone meanwhile) are skipped.
    for (const auto& p : ProcessIdsByName(name)) processes->Terminate(p);
  } catch (...) {
  }
}

extern "C" ORO_API int32_t _is_task_running(const wchar_t* name) {
  try {
    return ProcessIdsByName(name).empty() ? 0 : 1;
  } catch (...) {
    return 0;
  }
}

extern "C" ORO_API int32_t _IsRunningAsAdmin(void) {
  try {
    auto& processes = oro::device_api::LibraryPlatform().processes;
    return processes && processes->IsElevated() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" ORO_API int32_t _RestartAsAdmin(void) {
  try {
    auto& processes = oro::device_api::LibraryPlatform().processes;
    return processes && processes->RestartElevated() == err::kSuccess ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" ORO_API int32_t _IsGlobalMutexExist(const wchar_t* name) {
  try {
    auto& objects = oro::device_api::LibraryPlatform().objects;
    if (!name || !*name || !objects) return static_cast<int32_t>(err::kInvalidParameter);
    const platform::ErrorCode rc = objects->OpenMutex(name);
    if (rc == err::kSuccess) return 0;
    if (rc == err::kFileNotFound) return -1;
    return static_cast<int32_t>(rc);
  } catch (...) {
    return static_cast<int32_t>(err::kNotEnoughMemory);
  }
}

extern "C" ORO_API int32_t _IsAlreadyRun(const wchar_t* name) {
  try {
    auto& objects = oro::device_api::LibraryPlatform().objects;
    if (!name || !*name || !objects) return 0;
    std::unique_ptr<platform::NamedMutex> mutex;
    bool existed = false;
    const platform::ErrorCode rc = objects->CreateMutex(name, &kInstanceSecurity, &mutex, &existed);
    // A mutex another user holds cannot even be opened: somebody runs.
    if (rc == err::kAccessDenied) return 1;
    if (rc != err::kSuccess) return 0;
    if (existed) return 1;
    std::lock_guard<std::mutex> lock(g_instances_mutex);
    Instances().push_back(std::move(mutex));
    return 0;
  } catch (...) {
    return 0;
  }
}
