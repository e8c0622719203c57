# Cross-builds the Windows program with MinGW-w64 on Debian:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The -posix compilers are used: GoogleTest needs the posix thread model,
# which the default win32 one lacks. Everything is linked statically, so
# quadrel.exe needs only the system's own DLLs. CTest runs the built tests
# through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUADREL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUADREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUADREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUADREL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUADREL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(QUADREL_WINE NAMES wine wine64 wine-stable)
if(QUADREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUADREL_WINE})
endif()

# The tests are listed when CTest runs, through wine, not while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
