# Cross-building for 64-bit Windows with Debian's MinGW-w64 (POSIX threads), everything
# linked statically. TOLVANE_WINDOWS_PREFIX is the library prefix scripts/windows-deps.sh
# prints; tests run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVANE_MINGW_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOLVANE_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_HOST}-windres)
# The window is the Win32 one; Qt is the Linux front end.
set(TOLVANE_BUILD_GUI OFF CACHE BOOL "Build the Qt window and its tests")
# No Intel storage library in the cross build: zlib computes the block CRCs.
set(TOLVANE_USE_ISAL OFF CACHE BOOL "Compute block CRCs with Intel's storage library")
# Nor jemalloc: the programs use the C runtime's heap.
set(TOLVANE_USE_JEMALLOC OFF CACHE BOOL "Link the programs with jemalloc")

if(NOT TOLVANE_WINDOWS_PREFIX AND DEFINED ENV{TOLVANE_WINDOWS_PREFIX})
  set(TOLVANE_WINDOWS_PREFIX $ENV{TOLVANE_WINDOWS_PREFIX})
endif()
if(NOT TOLVANE_WINDOWS_PREFIX)
  message(FATAL_ERROR "TOLVANE_WINDOWS_PREFIX: run scripts/windows-deps.sh and pass its prefix")
endif()
# Passed on to the compiler checks, which run as projects of their own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVANE_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH ${TOLVANE_WINDOWS_PREFIX} /usr/${TOLVANE_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the Windows libraries, and answers with what a static link needs.
set(ENV{PKG_CONFIG_LIBDIR} "${TOLVANE_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${TOLVANE_MINGW_HOST}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)
# zlib too: its import library would ask for zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-static.cmake)

# No DLLs of the compiler's run time beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Unicode Win32 entry points, Windows 7 and later.
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")

get_filename_component(TOLVANE_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_WINE_RUN})
