# Every library comes from Debian: on Linux its packages, found through CMake
# configs or pkg-config; for Windows the same versions built from Debian's
# source packages by scripts/windows-deps.sh into the prefix the toolchain
# file searches.
find_package(PkgConfig REQUIRED)
find_package(SDL2 REQUIRED)
find_package(OpenMP REQUIRED)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(FFTW3F REQUIRED IMPORTED_TARGET fftw3f)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(ASSIMP IMPORTED_TARGET assimp)

find_path(RANG_INCLUDE_DIR rang.hpp REQUIRED)
# Pictures are read and written with the stb headers.
find_path(STB_INCLUDE_DIR stb/stb_image.h REQUIRED)

# One interface target carrying what the player's code links against; the
# system's own libraries are added by the file of the platform.
add_library(quellin_deps INTERFACE)
target_include_directories(quellin_deps SYSTEM INTERFACE ${RANG_INCLUDE_DIR} ${STB_INCLUDE_DIR})
target_link_libraries(quellin_deps INTERFACE
  SDL2::SDL2 OpenMP::OpenMP_CXX PkgConfig::RTMIDI PkgConfig::MPG123 PkgConfig::FFTW3F)

# The tests and benchmarks need the test libraries: built when asked for
# (-DQUELLIN_TESTS=ON, as ./test.sh does), left out with OFF, and otherwise
# built where GoogleTest is installed, so a set-up for playing only builds
# without them.
if(DEFINED QUELLIN_TESTS)
  set(QUELLIN_BUILD_TESTS ${QUELLIN_TESTS})
else()
  find_package(GTest QUIET)
  set(QUELLIN_BUILD_TESTS ${GTest_FOUND})
endif()
if(QUELLIN_BUILD_TESTS)
  find_package(GTest REQUIRED)
else()
  message(STATUS "Tests and benchmarks are not built: they need GoogleTest (scripts/install-deps.sh test) "
                 "and -DQUELLIN_TESTS=ON or no setting")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Dependencies-${QUELLIN_PLATFORM}.cmake)
