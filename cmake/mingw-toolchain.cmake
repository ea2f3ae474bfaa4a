# Cross-compile for Windows with Debian's MinGW-w64 (win32-thread-model compilers).
# GAINLET_ARCH selects the flavour:
#   i686    the shipped 32-bit deliverables;
#   x86_64  the same sources built 64-bit, for running the tests under a
#           64-bit-only Wine (a host without 32-bit user space cannot run
#           the 32-bit Wine loader).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT GAINLET_ARCH)
  set(GAINLET_ARCH i686)
endif()
set(GAINLET_ARCH ${GAINLET_ARCH} CACHE STRING "i686 or x86_64")
set(CMAKE_SYSTEM_PROCESSOR ${GAINLET_ARCH})

set(TOOLCHAIN_PREFIX ${GAINLET_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_OBJDUMP      ${TOOLCHAIN_PREFIX}-objdump)
set(CMAKE_OBJCOPY      ${TOOLCHAIN_PREFIX}-objcopy)
set(CMAKE_STRIP        ${TOOLCHAIN_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine, each build tree in its private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
