# Cross-builds the command-line converter for 64-bit Windows with Debian's mingw-w64 and runs
# what it builds (test discovery, the tests) under Wine. The posix thread model is needed: the
# win32 one has no std::thread in GCC 12. Everything links statically, so a built .exe runs on
# a Windows machine without any DLL of ours beside it, except where TOLVANE_MINGW_SHARED_RUNTIME
# is on: then programs load mingw's runtime DLLs, as Qt's DLLs do (a program that links Qt must
# share their runtime), and tolvane_static_runtime makes a program static again.
#
# TOLVANE_WINDOWS_DEPS: the prefix the dependencies (libogg, libvorbis, Opus, FLAC, libsndfile,
# pugixml, zlib, libzip, GoogleTest, RtMidi, RtAudio) were built into by scripts/windows;
# TOLVANE_WINDOWS_QT: the Qt built by scripts/windows-qt; TOLVANE_WINEPREFIX: the Wine prefix the
# programs run in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Try-compile projects read this file again; the two settings must reach them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVANE_WINDOWS_DEPS TOLVANE_WINEPREFIX
     TOLVANE_MINGW_SHARED_RUNTIME TOLVANE_WINDOWS_QT)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${TOLVANE_WINDOWS_DEPS} ${TOLVANE_WINDOWS_QT})
# Qt's tools (moc, uic, rcc) are the host's, of the same version.
if(TOLVANE_WINDOWS_QT)
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
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

# The C and C++ runtimes and winpthread linked in, except for Qt's own build: its DLLs share
# one runtime, the DLLs of mingw.
if(NOT TOLVANE_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# No display: Wine then starts no window of its own, and says nothing of its internals. A start
# that Wine ends before the program runs is tried again (wine-run says how). Programs find the
# mingw runtime DLLs and Qt's where they are (TOLVANE_WINE_DLL_PATH, given to Wine by wine-run);
# Qt finds its plugins beside its DLLs. Unix QT_* variables do not reach a Windows program: Wine
# passes WINEQT_* on as QT_*.
if(TOLVANE_WINEPREFIX)
  execute_process(COMMAND ${triplet}-gcc-posix -print-libgcc-file-name
                  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(runtime_dlls "${libgcc}" DIRECTORY)
  set(dll_path "${runtime_dlls}:/usr/${triplet}/lib")
  if(TOLVANE_WINDOWS_QT)
    string(APPEND dll_path ":${TOLVANE_WINDOWS_QT}/bin")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all WINEPREFIX=${TOLVANE_WINEPREFIX}
      TOLVANE_WINE_DLL_PATH=${dll_path} ${CMAKE_CURRENT_LIST_DIR}/wine-run)
endif()
