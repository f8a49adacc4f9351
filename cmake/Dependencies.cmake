# Every library comes from Debian packages, found through CMake configs or pkg-config.
find_package(PkgConfig REQUIRED)
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(GLEW REQUIRED)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
find_package(OpenCVImage REQUIRED)
find_package(OpenMP REQUIRED)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
# RtMidi's two back ends, called directly only to keep their console output quiet.
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
# The music's output: the sound server's stream timing (ALSA above is the other output).
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(FFTW3F REQUIRED IMPORTED_TARGET fftw3f)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(ASSIMP IMPORTED_TARGET assimp)
pkg_check_modules(DRACO IMPORTED_TARGET draco)

find_path(RANG_INCLUDE_DIR rang.hpp REQUIRED)

# One interface target carrying what the player's code links against.
add_library(quellin_deps INTERFACE)
target_include_directories(quellin_deps SYSTEM INTERFACE ${RANG_INCLUDE_DIR})
target_link_libraries(quellin_deps INTERFACE
  SDL2::SDL2 GLEW::GLEW OpenGL::GL PkgConfig::GLU
  OpenCVImage::OpenCVImage OpenMP::OpenMP_CXX
  PkgConfig::RTMIDI PkgConfig::JACK PkgConfig::ALSA PkgConfig::PULSE PkgConfig::MPG123 PkgConfig::FFTW3F)

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
  find_package(benchmark REQUIRED)
else()
  message(STATUS "Tests and benchmarks are not built: they need GoogleTest (scripts/install-deps.sh test) "
                 "and -DQUELLIN_TESTS=ON or no setting")
endif()
