// On Windows, where another process's command line and folder cannot be read
// from outside, a stand-in started with ORO_STANDIN_REPORT set writes them to
// that file itself (tools/standins): these read it.
#pragma once

#ifdef _WIN32
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace oro::test {

// What the stand-in wrote about itself: its folder, then its arguments (the
// program first); empty when it wrote nothing within `wait`.
inline std::vector<std::string> StandInReport(const std::string& file, std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  do {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (!lines.empty() && lines.back() == "end") {
      lines.pop_back();
      return lines;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < until);
  return {};
}

// Programs started from now on report to `file` ("" : no longer).
inline void SetReportFile(const std::string& file) { _putenv_s("ORO_STANDIN_REPORT", file.c_str()); }

}  // namespace oro::test
#endif
