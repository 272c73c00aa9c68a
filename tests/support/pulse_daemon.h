// A real sound server for one test: pulseaudio started in the test's own
// folder with a private runtime folder and socket, no default modules, no
// autospawn, and no session bus; it runs as root too (CI runs as root).
#pragma once

#include <sys/types.h>

#include <string>

namespace oro::test {

class PulseDaemon {
 public:
  // `dir` holds the daemon's runtime and state folders and its log; the
  // environment's ORO_ROOT is handed to it, so a filter it loads finds the
  // test's section.
  explicit PulseDaemon(std::string dir);
  ~PulseDaemon();
  PulseDaemon(const PulseDaemon&) = delete;
  PulseDaemon& operator=(const PulseDaemon&) = delete;

  // Starts (again) and waits until it answers; false with Why() otherwise.
  bool Start();
  bool Running() const { return pid_ > 0; }
  const std::string& Why() const { return why_; }
  // "unix:<dir>/native", for PULSE_SERVER and the adapter's options.
  std::string Server() const { return "unix:" + dir_ + "/native"; }

  // pactl against this server; returns its exit status.
  int Pactl(const std::string& arguments, std::string* out = nullptr) const;
  // One line of the server's own command language ("update-sink-proplist
  // NAME device.description=X"), for what pactl cannot do; false when the
  // server refused it.
  bool Command(const std::string& line, std::string* out = nullptr) const;
  // Loads a null sink carrying the given properties ("device.description='Headset'
  // device.bus=usb ..."), 48 kHz stereo; returns the module index, or -1.
  int LoadSink(const std::string& name, const std::string& properties) const;
  // A source with the given properties that hears what `sink` plays (the null
  // source takes no properties); it goes when the sink goes.
  int LoadSource(const std::string& name, const std::string& properties, const std::string& sink) const;
  int Load(const std::string& module_and_arguments) const;

  // False, with the reason, when this build's plugins cannot be loaded into
  // the machine's sound server (a sanitizer build needs its runtime loaded
  // first, which the server's own process does not have).
  static bool CanLoadBuiltPlugins(std::string* why);

  void Kill();    // SIGKILL and reap
  void Freeze();  // SIGSTOP: the server stops answering
  void Thaw();    // SIGCONT

 private:
  std::string dir_;
  std::string why_;
  pid_t pid_ = -1;
};

}  // namespace oro::test
