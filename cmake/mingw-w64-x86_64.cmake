# Cross-building for 64-bit Windows with Debian's MinGW-w64 compilers, the
# POSIX-threads flavour (std::thread and OpenMP need it). scripts/build-windows.sh
# uses it; by hand:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DQUELLIN_WINDOWS_PREFIX="$(scripts/windows-deps.sh)"
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUELLIN_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QUELLIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELLIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELLIN_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot and from the prefix of the
# Windows libraries built from Debian's sources (-DQUELLIN_WINDOWS_PREFIX=DIR),
# never from the build machine's own /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${QUELLIN_MINGW_TRIPLE} ${QUELLIN_WINDOWS_PREFIX})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUELLIN_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(QUELLIN_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${QUELLIN_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${QUELLIN_MINGW_TRIPLE}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()

# The GCC runtime, the C++ library, the threads and OpenMP go into each
# program and DLL, so none of MinGW's own DLLs has to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Programs run under Wine, in a prefix of their own, when the build or the
# tests need to run one.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/with-wine.sh)
