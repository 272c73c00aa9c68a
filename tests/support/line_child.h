// A program started with its standard input and output on pipes, spoken to a
// line at a time (oro-apo-reader --serve, say). Ended when this object goes.
#pragma once

#include <string>
#include <vector>

namespace oro::test {

class LineChild {
 public:
  // `program` is a full path; `args` follow its own name.
  LineChild(const std::string& program, const std::vector<std::string>& args);
  ~LineChild();
  LineChild(const LineChild&) = delete;
  LineChild& operator=(const LineChild&) = delete;

  bool Started() const;
  bool Send(const std::string& line);
  // The next line of output without its line break, or "" when none came
  // within `timeout_ms` (0: only what is already there).
  std::string Line(int timeout_ms = 10000);
  // Whether the program ended by itself within `timeout_ms`.
  bool WaitForEnd(int timeout_ms = 10000);

 private:
  bool ReadSome(int timeout_ms);

  std::string buf_;
#ifdef _WIN32
  void* process_ = nullptr;
  void* to_ = nullptr;
  void* from_ = nullptr;
#else
  int pid_ = -1;
  int to_ = -1;
  int from_ = -1;
#endif
};

}  // namespace oro::test
