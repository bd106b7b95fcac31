# Cross-builds Hexcrate for Windows with Debian's mingw-w64 compilers (the
# posix thread model: GCC 12's win32 model has no std::thread).
#   -DHEXCRATE_WIN_ARCH=i686 (default, 32-bit) or x86_64
#   -DHEXCRATE_WX_PREFIX=<a static wxMSW installed by scripts/windows-wx.sh>,
#     by default the one it last built for this architecture
# Compiles through ccache where it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)
if(NOT HEXCRATE_WIN_ARCH)
  set(HEXCRATE_WIN_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${HEXCRATE_WIN_ARCH})
# try_compile projects see the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HEXCRATE_WIN_ARCH HEXCRATE_WX_PREFIX)

if(NOT HEXCRATE_WX_PREFIX)
  if(DEFINED ENV{HEXCRATE_CACHE})
    set(wx_cache $ENV{HEXCRATE_CACHE})
  else()
    set(wx_cache $ENV{HOME}/.cache/hexcrate)
  endif()
  if(EXISTS ${wx_cache}/wxmsw-${HEXCRATE_WIN_ARCH}/.complete)
    file(REAL_PATH ${wx_cache}/wxmsw-${HEXCRATE_WIN_ARCH} HEXCRATE_WX_PREFIX)
  endif()
endif()

find_program(HEXCRATE_CCACHE ccache)
if(HEXCRATE_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${HEXCRATE_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${HEXCRATE_CCACHE})
endif()

set(triple ${HEXCRATE_WIN_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${HEXCRATE_WX_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# wx-config is a shell script that hard-codes where it was installed; point
# it at the cached prefix wherever that is now.
if(HEXCRATE_WX_PREFIX)
  set(wxWidgets_CONFIG_EXECUTABLE ${HEXCRATE_WX_PREFIX}/bin/wx-config)
  set(wxWidgets_CONFIG_OPTIONS --prefix=${HEXCRATE_WX_PREFIX} --static=yes)
endif()

# Programs that need nothing but Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The x87 unit computes in 64-bit precision unless told otherwise, which
# turns 29 of 100 into 29 percent instead of 28; SSE2 arithmetic rounds every
# double operation as the percentage needs.
if(HEXCRATE_WIN_ARCH STREQUAL i686)
  set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
  set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-wine.sh)
