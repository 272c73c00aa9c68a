// oroctl ftp get: fetches one file through the updater's FTP client, so an
// installation can check its update server by hand. On failure the exit
// status is the client's result code without its sign.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "command.h"
#include "oro/platform/file_writer.h"
#include "oro/platform/text.h"
#include "oro/updater/ftp_client.h"
#include "oro/updater/net_config.h"
#include "oro/updater/update_check.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl ftp get (--config FILE | --server A.B.C.D [--port N] [--user NAME] [--password TEXT])\n"
    "                      [--timeout SECONDS] [-o FILE] REMOTE_PATH\n"
    "With --config the path is inside the configured folder. Exit status on failure: the client's\n"
    "result code without its sign.";

// Redrawn in place on standard error whenever the percentage changes, when
// that is a terminal; redirected, only the closing line is printed.
struct ProgressBar {
  int shown = -1;
  bool open = false;
  bool live = cli::IsTerminal(stderr);

  void Draw(int percent) {
    if (!live || percent == shown) return;
    shown = percent;
    const int filled = percent * 40 / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", 40 - filled, "",
                 percent);
    std::fflush(stderr);
    open = true;
  }
  void End() {
    if (open) std::fputc('\n', stderr);
    open = false;
  }
};

void OnProgress(std::uint32_t event, std::int32_t value, void* context) {
  auto* bar = static_cast<ProgressBar*>(context);
  if (event == updater::ftp_event::kProgress && value >= 0) {
    bar->Draw(value);
  } else if (value < 0) {
    bar->End();  // the client's own diagnostics follow on their own line
  }
}

std::string LastComponent(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  port = std::atoi(text.c_str());
  return port > 0 && port <= 65535;
}

int Get(const Args& args) {
  updater::NetConfig server;
  int port = 21;
  server.user = "anonymous";
  std::string config_file, output, remote;
  bool have_server = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--config" || a == "--server" || a == "--port" || a == "--user" || a == "--password" || a == "--timeout" ||
        a == "-o") {
      if (!has_value) return UsageError("missing value after " + a);
      const std::string& v = args[++i];
      if (a == "--config") config_file = v;
      if (a == "--server") {
        server.server = v;
        have_server = true;
      }
      if (a == "--port" && !ParsePort(v, port)) return UsageError("port must be 1 to 65535");
      if (a == "--user") server.user = v;
      if (a == "--password") server.password = v;
      if (a == "-o") output = v;
      if (a == "--timeout") {
        const long seconds = std::strtol(v.c_str(), nullptr, 10);
        if (seconds <= 0 || seconds > 86400) return UsageError("timeout must be 1 to 86400 seconds");
        const int ms = static_cast<int>(seconds * 1000);
        updater::FtpSetTimeouts({ms, ms, ms});
      }
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else if (remote.empty()) {
      remote = a;
    } else {
      return UsageError(kUsage);
    }
  }
  if (remote.empty() || config_file.empty() == !have_server) return UsageError(kUsage);
  if (!config_file.empty()) {
    std::string problem;
    if (updater::LoadNetConfig(platform::FromUtf8(config_file), &problem) != 1) {
      return Fail(problem + " (not a network configuration)");
    }
    updater::GetNetConfig(server.server, server.port, server.user, server.password, server.folder, server.check_switch);
    port = static_cast<int>(server.port);
    // A name alone is taken from the configured update folder.
    remote = updater::RemoteFilePath(server.folder, remote);
  }
  if (output.empty()) output = LastComponent(remote);
  if (output.empty()) return UsageError("give -o FILE: the remote path names no file");

  ProgressBar bar;
  std::unique_ptr<std::uint8_t[]> data;
  std::int32_t size = 0;
  const int result = updater::FtpDownloadToMemory(server.server, server.user, server.password, remote, data, size,
                                                  OnProgress, &bar, port);
  bar.End();
  if (result != updater::ftp_result::kOk) {
    // The headline says which step failed; the detail what really went wrong.
    const std::string detail = updater::FtpLastFailure();
    std::fprintf(stderr, "oroctl: ftp get %s failed with %d: %s%s%s\n", remote.c_str(), result,
                 updater::FtpResultText(result), detail.empty() ? "" : ": ", detail.c_str());
    return -result;
  }
  // A downloaded image is no secret: readable by all, whatever the umask, and
  // only ever replacing a regular file.
  constexpr std::uint32_t kDownloadMode = 0644;
  std::string problem;
  if (platform::ReplaceFileContents(output, data.get(), static_cast<std::size_t>(size), kDownloadMode, &problem) !=
      platform::FileWriteError::kNone) {
    return Fail(problem);
  }
  std::fprintf(stderr, "%s: %d bytes\n", output.c_str(), size);
  return 0;
}

int Run(const Args& args) {
  if (args.empty() || args[0] != "get") return UsageError(kUsage);
  return Get(args);
}

const CommandRegistrar kRegistrar({"ftp", "fetch one file from an update server (ftp get ...)", Run, kUsage});

}  // namespace
}  // namespace oro::tools
