// SIGINT, SIGTERM and SIGHUP end the wait; SIGUSR1, sent to the process by
// Wake, wakes it. All four are blocked and taken with sigwait.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "oro/tools/cli/wait_loop.h"

namespace oro::tools::cli {

struct WaitLoop::State {
  sigset_t signals;
};

WaitLoop::WaitLoop() : state_(std::make_unique<State>()) {
  sigemptyset(&state_->signals);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&state_->signals, sig);
  pthread_sigmask(SIG_BLOCK, &state_->signals, nullptr);
}

WaitLoop::~WaitLoop() = default;

WaitLoop::Event WaitLoop::Wait() {
  int sig = 0;
  if (sigwait(&state_->signals, &sig) != 0) return Event::kError;
  return sig == SIGUSR1 ? Event::kWake : Event::kStop;
}

void WaitLoop::Wake() { kill(getpid(), SIGUSR1); }

}  // namespace oro::tools::cli
