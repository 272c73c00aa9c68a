// A fresh state folder per test: the settings store, runtime files and the
// simulated machine of one test never meet another's.
#pragma once

#include <string>
#include <utility>

namespace oro::test {

class TempRoot {
 public:
  TempRoot();
  // Another's state folder, used but never removed (a child process's view of its parent's).
  enum Borrowed { kBorrowed };
  TempRoot(std::string existing, Borrowed) : path_(std::move(existing)), owned_(false) {}
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::string& Path() const { return path_; }
  std::string RegistryDb() const { return path_ + "/registry.db"; }
  std::string RunDir() const { return path_ + "/run"; }

 private:
  std::string path_;
  bool owned_ = true;
};

// Runs a command line with /bin/sh (cmd.exe on Windows), returning its exit status and, when out
// is given, what it printed on standard output (standard error goes along).
int RunCommand(const std::string& command, std::string* out = nullptr);

// Full path of a program or library built by this tree.
std::string BuiltFile(const std::string& name);

// Full path of the running program, as the C runtime knows it.
std::string OwnProgram();

}  // namespace oro::test
