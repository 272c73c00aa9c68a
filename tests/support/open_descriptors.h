// How many descriptors (handles on Windows) this process holds, for the
// checks that a connection, once closed, leaves none behind.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

#include <chrono>
#include <cstddef>
#include <thread>

namespace oro::test {

// Descriptors (handles on Windows) this process holds.
inline std::size_t OpenDescriptors() {
#ifdef _WIN32
  DWORD n = 0;
  GetProcessHandleCount(GetCurrentProcess(), &n);
  return n;
#else
  std::size_t n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
#endif
}

// A device simulated in this process closes its end of a connection when it
// notices the hang-up, a moment after the caller closed: the count once it
// holds still for a moment.
inline std::size_t StableDescriptors() {
  std::size_t n = OpenDescriptors();
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::size_t again = OpenDescriptors();
    if (again == n) break;
    n = again;
  }
  return n;
}

inline std::size_t DescriptorsOnceSettled(std::size_t expected) {
  std::size_t n = OpenDescriptors();
  for (int i = 0; i < 200 && n != expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    n = OpenDescriptors();
  }
  return n;
}

}  // namespace oro::test
