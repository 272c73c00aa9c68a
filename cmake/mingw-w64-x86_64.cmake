# Cross-build for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, which std::thread needs with this GCC); tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORO_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs and tests run through Wine's 64-bit loader.
find_program(ORO_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT ORO_WINE64)
  find_program(ORO_WINE64 NAMES wine64 wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORO_WINE64})
