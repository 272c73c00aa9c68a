// oro-apo-reader: what the processing object sees, for people and tests.
//
//   oro-apo-reader              one read: "<capacity> <block1 hex> <block2 hex>"
//   oro-apo-reader --serve      holds the section open; each "read" line on
//                               standard input prints one such line, "quit"
//                               or end of input ends
//   oro-apo-reader --register | --unregister
//                               calls the registration entry points
//
// Exit status: 0 done, 1 the section or registration failed, 2 usage.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "oro_sound_apo.h"

namespace {

void PutHex(const unsigned char* data, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) std::printf("%02x", data[i]);
}

// One line for one read; false when the read failed.
bool ReadLine(OroApoSection* section) {
  int32_t capacity = 0;
  unsigned char b1[32];
  unsigned char b2[575];
  const int32_t hr = OroApoReadBlocks(section, &capacity, b1, b2);
  if (hr != ORO_APO_S_OK) {
    std::printf("error 0x%08x\n", static_cast<unsigned>(hr));
    std::fflush(stdout);
    return false;
  }
  std::printf("%d ", capacity);
  PutHex(b1, sizeof b1);
  std::printf(" ");
  PutHex(b2, sizeof b2);
  std::printf("\n");
  std::fflush(stdout);
  return true;
}

int Registration(bool add) {
  const int32_t hr = add ? DllRegisterServer() : DllUnregisterServer();
  std::printf("%s 0x%08x\n", add ? "DllRegisterServer" : "DllUnregisterServer", static_cast<unsigned>(hr));
  return hr == ORO_APO_S_OK ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (argc > 2 || (!mode.empty() && mode != "--serve" && mode != "--register" && mode != "--unregister")) {
    std::fprintf(stderr, "usage: oro-apo-reader [--serve | --register | --unregister]\n");
    return 2;
  }
  if (mode == "--register" || mode == "--unregister") return Registration(mode == "--register");

  OroApoSection* section = nullptr;
  const int32_t hr = OroApoOpenSection(&section);
  if (hr != ORO_APO_S_OK) {
    std::fprintf(stderr, "oro-apo-reader: the parameter section is not available (0x%08x)\n",
                 static_cast<unsigned>(hr));
    return 1;
  }
  int status = 0;
  if (mode.empty()) {
    status = ReadLine(section) ? 0 : 1;
  } else {
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line) && line != "quit") {
      if (line == "read") ReadLine(section);
    }
  }
  OroApoCloseSection(section);
  return status;
}
