// What a download reported: result, bytes, callback events and diagnostics.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "oro/updater/ftp_client.h"

namespace oro::test {

using Event = std::pair<std::uint32_t, std::int32_t>;

struct Download {
  int result = 0;
  std::string data;
  std::int32_t size = -1;
  std::vector<Event> events;
  std::string errors;  // standard error of the client

  bool Has(Event e) const {
    for (const auto& x : events)
      if (x == e) return true;
    return false;
  }
  // Progress values in order.
  std::vector<std::int32_t> Progress() const {
    std::vector<std::int32_t> v;
    for (const auto& x : events)
      if (x.first == updater::ftp_event::kProgress) v.push_back(x.second);
    return v;
  }
};

inline void RecordEvent(std::uint32_t event, std::int32_t value, void* context) {
  static_cast<std::vector<Event>*>(context)->emplace_back(event, value);
}

inline Download DownloadFrom(int port, const std::string& path, const std::string& user = "kit",
                             const std::string& password = "secret") {
  Download d;
  std::unique_ptr<std::uint8_t[]> buffer;
  ::testing::internal::CaptureStderr();
  d.result =
      updater::FtpDownloadToMemory("127.0.0.1", user, password, path, buffer, d.size, RecordEvent, &d.events, port);
  d.errors = ::testing::internal::GetCapturedStderr();
  if (buffer && d.size > 0)
    d.data.assign(reinterpret_cast<const char*>(buffer.get()), static_cast<std::size_t>(d.size));
  EXPECT_EQ(d.result == 1, buffer != nullptr) << "a buffer goes with success, and only with success";
  return d;
}

}  // namespace oro::test
