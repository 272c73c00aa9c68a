// Stand-in for an outside helper program the kit starts and ends by name
// ("normal.exe" for microphone monitoring, "audiodg.exe" for the audio
// engine's host process, "devmonitor.exe"). It does nothing but run until it
// is ended, so the kit's task functions, the demo and the tests have a real
// process of that name to find and end.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "usage: %s [ARGUMENTS...]\n\n"
          "Stands in for an outside helper of the kit: runs until it is ended,\n"
          "accepting and ignoring any arguments.\n",
          argv[0]);
      return 0;
    }
  }
#ifdef _WIN32
  for (;;) Sleep(INFINITE);
#else
  for (;;) pause();
#endif
}
