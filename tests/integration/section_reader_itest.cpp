// The library publishes blocks 1 and 2 in the section; the processing
// object's reader, another process, must see exactly what was sent, at the
// right places, while the panel side goes on writing.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../device_api/property_fixture.h"

namespace oro::test {
namespace {

using ByteVec = std::vector<std::uint8_t>;

// oro-apo-reader --serve with its standard input and output on pipes.
class Reader {
 public:
  Reader() {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    const std::string exe = BuiltFile("oro-apo-reader");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      execl(exe.c_str(), exe.c_str(), "--serve", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Reader() {
    if (to_ >= 0) close(to_);
    if (from_ >= 0) close(from_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool Send(const std::string& line) {
    const std::string l = line + "\n";
    return write(to_, l.data(), l.size()) == static_cast<ssize_t>(l.size());
  }
  // One line of output, or "" after the time limit.
  std::string Line(int timeout_ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto nl = buf_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buf_.substr(0, nl);
        buf_.erase(0, nl + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{from_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
      char chunk[4096];
      const ssize_t n = read(from_, chunk, sizeof chunk);
      if (n <= 0) return "";
      buf_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  bool Ready() { return Line() == "ready"; }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  std::string buf_;
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
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    setenv("ORO_PLATFORM", "sim", 1);
    ASSERT_EQ(access(BuiltFile("oro-apo-reader").c_str(), X_OK), 0) << "oro-apo-reader must be built";
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
