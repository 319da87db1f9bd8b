# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads compilers, whose
# std::thread and std::mutex the editor's MIDI threads use).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TORVANE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TORVANE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVANE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVANE_MINGW}-windres)
set(CMAKE_AR ${TORVANE_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TORVANE_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and the prefixes named in
# CMAKE_PREFIX_PATH (the Windows Qt and RtMidi); programs run on this machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TORVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
