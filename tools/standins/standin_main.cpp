// Stand-in for an outside helper program the kit starts and ends by name
// ("normal.exe" for microphone monitoring, "audiodg.exe" for the audio
// engine's host process, "devmonitor.exe"). It does nothing but run until it
// is ended, so the kit's task functions, the demo and the tests have a real
// process of that name to find and end.
//
// On Windows, where another process's command line and folder cannot be read
// from outside, the tests learn them from the stand-in itself: when
// ORO_STANDIN_REPORT names a file, it writes its folder and its arguments
// there (UTF-8, one a line, "end" last) before it waits.
#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <string>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>

#ifdef _WIN32
namespace {

std::string Utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

// Written beside the file and renamed onto it, so a reader sees all or nothing.
void Report(const wchar_t* file) {
  std::string text;
  wchar_t folder[32768];
  const DWORD n = GetCurrentDirectoryW(32768, folder);
  text += (n > 0 && n < 32768 ? Utf8(folder) : std::string("?")) + "\n";
  int count = 0;
  if (wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) text += Utf8(args[i]) + "\n";
    LocalFree(args);
  }
  text += "end\n";
  const std::wstring partial = std::wstring(file) + L".partial";
  HANDLE h = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
  if (ok) MoveFileExW(partial.c_str(), file, MOVEFILE_REPLACE_EXISTING);
}

}  // namespace
#endif

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
  wchar_t report[32768];
  const DWORD n = GetEnvironmentVariableW(L"ORO_STANDIN_REPORT", report, 32768);
  if (n > 0 && n < 32768) Report(report);
  for (;;) Sleep(INFINITE);
#else
  for (;;) pause();
#endif
}
