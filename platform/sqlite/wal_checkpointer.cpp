#include "wal_checkpointer.h"

#include <pthread.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <exception>
#include <mutex>
#include <utility>

namespace oro::platform::sqlite {
namespace {

// The log file's size once writes pause (kIdleFrames pages).
constexpr const char* kIdleLogSize = "PRAGMA journal_size_limit=1048576";
constexpr const char* kJournalWal = "PRAGMA journal_mode=WAL";
// Below the callers, so the thread's work never takes a call's processor.
constexpr int kThreadNice = 10;

// Held by the thread whenever it is inside SQLite. A fork waits for it, so a
// child never starts with one of SQLite's own locks taken by a thread it
// does not have (the child would hang on its first use of the store).
std::mutex g_fork_guard;
std::once_flag g_fork_handlers;

// Set while the thread commits through the callers' connection: that commit
// is not a caller's.
thread_local bool t_restarting = false;

void InstallForkHandlers() {
  std::call_once(g_fork_handlers, [] {
    pthread_atfork([] { g_fork_guard.lock(); }, [] { g_fork_guard.unlock(); }, [] { g_fork_guard.unlock(); });
  });
}

// The thread's own connection; null when the file cannot be opened for
// writing (then the backstop alone bounds the log).
sqlite3* OpenCheckpointConnection(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  // Like the callers' connection: the log and its index outlive the last
  // connection (which empties the log file when it closes).
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  // A new connection reads the file lazily; until it has, it does not know
  // the file is in WAL mode and a checkpoint through it does nothing.
  if (sqlite3_exec(db, kIdleLogSize, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, kJournalWal, nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

}  // namespace

bool RestartLog(sqlite3* db, int busy_timeout_ms, bool shrink) {
  // Never wait here: the thread would keep the callers' connection meanwhile.
  sqlite3_busy_timeout(db, 0);
  bool done = false;
  if (Exec(db, "BEGIN IMMEDIATE")) {
    int version = -1;
    sqlite3_stmt* read = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &read, nullptr) == SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW) {
      version = sqlite3_column_int(read, 0);
    }
    sqlite3_finalize(read);
    const std::string write = "PRAGMA user_version=" + std::to_string(version);
    done = version >= 0 && (!shrink || Exec(db, kIdleLogSize)) && Exec(db, write.c_str()) && Exec(db, "COMMIT");
    if (!done) Exec(db, "ROLLBACK");
    if (shrink) Exec(db, kKeepLogSize);
  }
  sqlite3_busy_timeout(db, busy_timeout_ms > 0 ? busy_timeout_ms : 0);
  return done;
}

WalCheckpointer::WalCheckpointer(std::string path) : path_(std::move(path)) {}

WalCheckpointer::~WalCheckpointer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  cv_.notify_all();
  if (!thread_.joinable()) return;
  // A forked child has a copy of this object but not the thread.
  if (static_cast<long>(::getpid()) == owner_pid_) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void WalCheckpointer::Attach(sqlite3* db, RestartFn restart) {
  restart_ = std::move(restart);
  sqlite3_wal_hook(db, &WalCheckpointer::OnCommit, this);
}

int WalCheckpointer::OnCommit(void* self, sqlite3* db, const char* name, int frames) {
  auto* me = static_cast<WalCheckpointer*>(self);
  if (t_restarting) {
    me->frames_.store(frames, std::memory_order_relaxed);
    return SQLITE_OK;
  }
  if (frames >= kBackstopFrames) {
    // Writes outrun the thread: bound the log here, truncating it. Only one
    // checkpoint runs at a time and SQLite answers busy at once, not through
    // the busy handler, when the thread's copy holds that turn. On a loaded
    // machine the thread (niced) can keep it for a long while, and the log
    // grew by a page a commit meanwhile: wait for the turn, a little at a
    // time so the thread gets the processor, within a bound.
    const auto give_up = std::chrono::steady_clock::now() + kBackstopWait;
    while (sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) == SQLITE_BUSY &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ++me->caller_runs_;
    return SQLITE_OK;
  }
  me->frames_.store(frames, std::memory_order_relaxed);
  me->commits_.fetch_add(1, std::memory_order_relaxed);
  if (!me->started_.load(std::memory_order_acquire)) me->Start();
  return SQLITE_OK;
}

void WalCheckpointer::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_ || stopping_) return;
  try {
    InstallForkHandlers();
    owner_pid_ = static_cast<long>(::getpid());
    thread_ = std::thread(&WalCheckpointer::Run, this);
    started_.store(true, std::memory_order_release);
  } catch (const std::exception&) {
    // No thread: the backstop still bounds the log.
  }
}

void WalCheckpointer::Run() {
  setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kThreadNice);
  sqlite3* db = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_fork_guard);
    db = OpenCheckpointConnection(path_);
  }
  long seen = commits_.load(std::memory_order_relaxed);
  long copied = -1;    // commits_ at the last checkpoint
  long cut_back = -1;  // commits_ when the log file was last cut back (or tried)
  bool grown = false;  // the log file grew past its idle size since it was cut back
  bool catching_up = false;
  bool restart_due = false;  // the log was copied back whole and not yet restarted
  bool shrink = false;
  auto quiet_since = std::chrono::steady_clock::now();
  auto restart_until = quiet_since;  // a restart that keeps failing is left to the callers
  std::unique_lock<std::mutex> lock(mutex_);
  // The thread looks by itself: a caller never wakes it, so a call never
  // waits for the thread it woke. While a long log is being copied back it
  // looks often and starts right after a commit: the log restarts only when
  // a copy ends with nothing new behind it, so the copy and the restart
  // should fill the pause between two calls.
  while (!cv_.wait_for(lock, catching_up || restart_due ? kCatchUpPoll : kPoll, [this] { return stopping_; })) {
    const long commits = commits_.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    const bool just_committed = commits != seen;
    if (just_committed) {
      seen = commits;
      quiet_since = now;
      // That commit found the log copied back and restarted it itself.
      restart_due = false;
    }
    const int frames = frames_.load(std::memory_order_relaxed);
    catching_up = frames >= kCheckpointFrames;
    if (frames >= kIdleFrames) grown = true;
    const bool quiet = now - quiet_since >= kQuiet;
    // Once writes pause: copy back what is new, and cut a grown log file back
    // even when the last copy was already complete.
    const bool tidy = quiet && (seen != copied || (grown && cut_back != seen));
    if (tidy || (seen != copied && catching_up && just_committed)) {
      copied = seen;
      if (quiet) cut_back = seen;
      lock.unlock();
      // Passive: copies what no reader still needs and never blocks a writer.
      if (db) {
        std::lock_guard<std::mutex> guard(g_fork_guard);
        int log = 0;
        int done = 0;
        // Complete only when no caller committed meanwhile: the counts
        // describe the log as it was when the copy began.
        const long commits_before = commits_.load(std::memory_order_relaxed);
        restart_due = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &done) == SQLITE_OK &&
                      log > 0 && done == log && commits_.load(std::memory_order_relaxed) == commits_before && restart_;
        shrink = quiet;
        restart_until = now + kQuiet;
      }
      ++background_runs_;
      lock.lock();
    }
    if (restart_due && now > restart_until) restart_due = false;
    if (!restart_due) continue;
    lock.unlock();
    {
      std::lock_guard<std::mutex> guard(g_fork_guard);
      t_restarting = true;
      if (restart_(shrink)) {
        restart_due = false;
        if (shrink) grown = false;
      }
      t_restarting = false;
    }
    lock.lock();
  }
  lock.unlock();
  std::lock_guard<std::mutex> guard(g_fork_guard);
  sqlite3_close(db);
}

}  // namespace oro::platform::sqlite
