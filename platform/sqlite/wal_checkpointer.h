// Copies the write-ahead log back into the store file on a thread of its
// own. SQLite's automatic checkpoint runs inside the commit that crosses its
// threshold (1000 pages), so one write in a few hundred waited for the copy
// and two flushes to disk. Here a commit only notes the log's length; the
// thread looks every few milliseconds and copies the log back once it is
// long, or once writes have paused, through its own connection and without
// blocking writers. Only a log that still grows past a larger bound (writes
// faster than the thread can copy) is checkpointed by the committing caller,
// as before, so the log stays bounded in every case.
//
// After a complete copy the next commit starts the log again from its
// beginning, and SQLite flushes the log's new header to disk inside that
// commit (0.5-6 ms, plus shortening the file when a size limit applies).
// The thread makes that commit itself, through the callers' connection while
// no call holds it (see RestartLog), so a caller finds the log restarted.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

namespace oro::platform::sqlite {

// The callers' connection keeps the log file at its working size while the
// store is open: shortening it at a restart cost the restarting commit a few
// milliseconds and later appends had to grow the file again. This is above
// any length the backstop lets the log reach; closing the last connection
// still empties the file.
constexpr const char* kKeepLogSize = "PRAGMA journal_size_limit=16777216";

// Commits the layout version, unchanged, through `db` without waiting for
// another connection's lock: the smallest commit, which restarts a log that
// was copied back completely. With `shrink` the commit also cuts the log file
// back to 1 MiB. Restores `busy_timeout_ms` afterwards. The caller holds
// whatever guards `db`. Returns whether the commit was made.
bool RestartLog(sqlite3* db, int busy_timeout_ms, bool shrink);

class WalCheckpointer {
 public:
  // Log length (pages) at which the thread copies the log back: about 8 MiB.
  static constexpr int kCheckpointFrames = 2048;
  // Log length the file is cut back to once writes pause: 1 MiB.
  static constexpr int kIdleFrames = 254;
  // Log length at which the committing caller checkpoints itself.
  static constexpr int kBackstopFrames = 2400;
  // How long the committing caller waits for its turn to checkpoint.
  static constexpr std::chrono::milliseconds kBackstopWait{500};
  // A log left unchanged this long is copied back whatever its length.
  static constexpr std::chrono::milliseconds kQuiet{250};
  // How often the thread looks at the log, and while a long one is copied.
  static constexpr std::chrono::milliseconds kPoll{20};
  static constexpr std::chrono::milliseconds kCatchUpPoll{1};

  explicit WalCheckpointer(std::string path);
  ~WalCheckpointer();
  WalCheckpointer(const WalCheckpointer&) = delete;
  WalCheckpointer& operator=(const WalCheckpointer&) = delete;

  // Runs on the thread after a complete copy; false when it cannot run at
  // once (a call holds the connection). `shrink`: writes have paused.
  using RestartFn = std::function<bool(bool shrink)>;

  // Takes over the commit hook of `db`, the connection callers write through
  // (this replaces SQLite's automatic checkpoint on it). `restart` restarts
  // the log through that connection; without one a caller does.
  void Attach(sqlite3* db, RestartFn restart = nullptr);

  // Checkpoints that ran on the thread and on callers.
  long BackgroundCheckpoints() const { return background_runs_; }
  long CallerCheckpoints() const { return caller_runs_; }

 private:
  static int OnCommit(void* self, sqlite3* db, const char* name, int frames);
  void Start();
  void Run();

  const std::string path_;
  RestartFn restart_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool stopping_ = false;
  std::atomic<bool> started_{false};
  std::atomic<int> frames_{0};  // the log's length after the last commit
  std::atomic<long> commits_{0};
  std::thread thread_;
  long owner_pid_ = 0;
  std::atomic<long> background_runs_{0};
  std::atomic<long> caller_runs_{0};
};

}  // namespace oro::platform::sqlite
