# Cross-builds the command-line converter for 64-bit Windows with Debian's mingw-w64 and runs
# what it builds (test discovery, the tests) under Wine. The posix thread model is needed: the
# win32 one has no std::thread in GCC 12. Everything links statically, so a built .exe runs on
# a Windows machine without any DLL of ours beside it.
#
# TOLVANE_WINDOWS_DEPS: the prefix the dependencies (libogg, libvorbis, Opus, FLAC, libsndfile,
# pugixml, zlib, libzip, GoogleTest) were built into by scripts/windows; TOLVANE_WINEPREFIX: the Wine prefix the programs run in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Try-compile projects read this file again; the two settings must reach them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVANE_WINDOWS_DEPS TOLVANE_WINEPREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${TOLVANE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The static libraries' .pc files name what they need in their private fields.
if(TOLVANE_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${TOLVANE_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(PKG_CONFIG_ARGN --static)

# The C and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# No display: Wine then starts no window of its own, and says nothing of its internals. A start
# that Wine ends before the program runs is tried again (wine-run says how).
if(TOLVANE_WINEPREFIX)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all WINEPREFIX=${TOLVANE_WINEPREFIX}
      ${CMAKE_CURRENT_LIST_DIR}/wine-run)
endif()
