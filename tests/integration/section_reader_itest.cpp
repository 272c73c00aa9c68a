// The library publishes blocks 1 and 2 in the section; the processing
// object's reader, another process, must see exactly what was sent, at the
// right places, while the panel side goes on writing. On Linux the library
// works on the simulated machine; on Windows on the system's registry (a
// test root of its own) and kernel objects, with no endpoint needed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "line_child.h"
#ifdef _WIN32
#include "oro/common/property_blocks.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/windows/windows_adapters.h"
#include "oro_ecd_api.h"
#include "windows_registry_fixture.h"
#else
#include <unistd.h>

#include "../device_api/property_fixture.h"
#endif

namespace oro::test {
namespace {

using ByteVec = std::vector<std::uint8_t>;

#ifdef _WIN32
constexpr const char* kReader = "oro-apo-reader.exe";

// The library on the system's own adapters, its registry below a test key.
class PropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace w = platform::windows_host;
    platform_.profile = platform::Profile::kHost;
    platform_.paths = platform::ResolveStatePaths(root_.Path().c_str());
    platform_.registry = OpenTestRegistry(root_);
    platform_.objects = platform::MakeNamedObjects(platform_.paths);
    platform_.debug = w::MakeDebugStringOutput();
    platform_.system = w::MakeWindowsSystemInfo();
    device_api::SetLibraryPlatform(platform_);
  }
  void TearDown() override {
    if (loaded_) releaseDeviceInfo(&record_);
  }
  void Load() {
    ASSERT_EQ(getDeviceInfo(0, &record_), ORO_OK);
    loaded_ = true;
  }
  template <typename Block>
  static ByteVec Bytes(const Block& b) {
    return ByteVec(common::BytesOf(b), common::BytesOf(b) + sizeof b);
  }

  TempRoot root_;
  platform::Platform platform_;
  common::DeviceInfo record_;
  bool loaded_ = false;
};

void SetRootForChildren(const std::string& root) { _putenv_s("ORO_ROOT", root.c_str()); }
#else
constexpr const char* kReader = "oro-apo-reader";

void SetRootForChildren(const std::string& root) {
  setenv("ORO_ROOT", root.c_str(), 1);
  setenv("ORO_PLATFORM", "sim", 1);
}
#endif

// oro-apo-reader --serve with its standard input and output on pipes.
class Reader : public LineChild {
 public:
  Reader() : LineChild(BuiltFile(kReader), {"--serve"}) {}
  bool Ready() { return Line() == "ready"; }
};

struct Seen {
  int capacity = -1;
  ByteVec block1, block2;
};

ByteVec FromHex(const std::string& hex) {
  ByteVec out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

bool Parse(const std::string& line, Seen* seen) {
  const auto a = line.find(' ');
  const auto b = line.find(' ', a + 1);
  if (a == std::string::npos || b == std::string::npos) return false;
  seen->capacity = std::atoi(line.substr(0, a).c_str());
  seen->block1 = FromHex(line.substr(a + 1, b - a - 1));
  seen->block2 = FromHex(line.substr(b + 1));
  return seen->block1.size() == 32 && seen->block2.size() == 575;
}

class SectionReaderTest : public PropertyTest {
 protected:
  void SetUp() override {
    PropertyTest::SetUp();
    SetRootForChildren(root_.Path());
    ASSERT_TRUE(Reader().Started()) << BuiltFile(kReader) << " must be built";
    Load();
  }

  Seen ReadOnce(Reader& reader) {
    Seen seen;
    EXPECT_TRUE(reader.Send("read"));
    const std::string line = reader.Line();
    EXPECT_TRUE(Parse(line, &seen)) << "reader said: " << line.substr(0, 80);
    return seen;
  }

  ByteVec RandomBlock(std::size_t n) {
    ByteVec b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng_());
    return b;
  }

  std::mt19937 rng_{20240611};
};

TEST_F(SectionReaderTest, ReaderSeesEachSendExactly) {
  Reader reader;
  ASSERT_TRUE(reader.Ready());
  Seen first = ReadOnce(reader);
  EXPECT_EQ(first.capacity, 8184);
  EXPECT_EQ(first.block1, Bytes(record_.Block1()));
  EXPECT_EQ(first.block2, Bytes(record_.Block2()));

  for (int round = 0; round < 60; ++round) {
    const ByteVec b1 = RandomBlock(32);
    const ByteVec b2 = RandomBlock(575);
    ASSERT_EQ(setDeviceProperty(&record_, 1, b1.data()), ORO_OK);
    ASSERT_EQ(setDeviceProperty(&record_, 2, b2.data()), ORO_OK);
    if (round % 3 == 0) {
      ByteVec gains(32, 0);
      for (int i = 0; i < 10; ++i) gains[i] = static_cast<std::uint8_t>(static_cast<int>(rng_() % 41) - 20);
      ASSERT_EQ(setDeviceProperty(&record_, 3, gains.data()), ORO_OK);
    }
    const Seen seen = ReadOnce(reader);
    ASSERT_EQ(seen.capacity, 8184) << round;
    ASSERT_EQ(seen.block1, b1) << round;
    ASSERT_EQ(seen.block2, Bytes(record_.Block2())) << round;
  }
}

TEST_F(SectionReaderTest, BlockOneStaysIntactWhileBlockTwoKeepsChanging) {
  const ByteVec b1 = RandomBlock(32);
  ASSERT_EQ(setDeviceProperty(&record_, 1, b1.data()), ORO_OK);
  std::vector<ByteVec> sent;
  for (int i = 0; i < 8; ++i) sent.push_back(RandomBlock(575));

  Reader reader;
  ASSERT_TRUE(reader.Ready());
  int reads = 0, exact = 0;
  std::size_t next = 0;
  for (int round = 0; round < 40; ++round) {
    ASSERT_TRUE(reader.Send("read"));
    // Keep sending until the reader answers: its read happens amid writes.
    std::string line;
    for (int burst = 0; burst < 500 && line.empty(); ++burst) {
      ASSERT_EQ(setDeviceProperty(&record_, 2, sent[next++ % sent.size()].data()), ORO_OK);
      line = reader.Line(0);
    }
    if (line.empty()) line = reader.Line();
    Seen seen;
    ASSERT_TRUE(Parse(line, &seen)) << line.substr(0, 80);
    ++reads;
    EXPECT_EQ(seen.capacity, 8184);
    EXPECT_EQ(seen.block1, b1) << "a block-2 write reached block 1";
    for (const auto& s : sent) exact += seen.block2 == s ? 1 : 0;
  }
  // Without a lock a read may meet a block half-written; the reader retries
  // until two copies agree, so nearly every read is one whole block.
  EXPECT_GE(exact * 10, reads * 9) << exact << " of " << reads << " reads were whole blocks";
}

}  // namespace
}  // namespace oro::test
