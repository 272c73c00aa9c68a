// Ctrl-C, Ctrl-Break and the console closing end the wait; Wake sets an event.
#include <windows.h>

#include <atomic>

#include "oro/tools/cli/wait_loop.h"

namespace oro::tools::cli {
namespace {

HANDLE g_stop_event = nullptr;  // the console handler runs on a thread of its own

BOOL WINAPI OnConsoleControl(DWORD) {
  if (g_stop_event) SetEvent(g_stop_event);
  return TRUE;
}

}  // namespace

struct WaitLoop::State {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

WaitLoop::WaitLoop() : state_(std::make_unique<State>()) {
  g_stop_event = state_->stop;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

WaitLoop::~WaitLoop() {
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  g_stop_event = nullptr;
  if (state_->stop) CloseHandle(state_->stop);
  if (state_->wake) CloseHandle(state_->wake);
}

WaitLoop::Event WaitLoop::Wait() {
  if (!state_->stop || !state_->wake) return Event::kError;
  const HANDLE handles[] = {state_->stop, state_->wake};
  switch (WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
    case WAIT_OBJECT_0:
      return Event::kStop;
    case WAIT_OBJECT_0 + 1:
      return Event::kWake;
    default:
      return Event::kError;
  }
}

void WaitLoop::Wake() {
  if (state_->wake) SetEvent(state_->wake);
}

}  // namespace oro::tools::cli
