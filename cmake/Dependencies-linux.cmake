# What the Linux build adds: the GL through GLX, GLU, the MIDI and sound
# systems, and what only the tests, the tools and the benchmarks use.
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(GLEW REQUIRED)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
# RtMidi's two back ends, called directly only to keep their console output quiet.
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
# The music's output: the sound server's stream timing (ALSA above is the other output).
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
target_link_libraries(quellin_deps INTERFACE
  GLEW::GLEW OpenGL::GL PkgConfig::GLU PkgConfig::JACK PkgConfig::ALSA PkgConfig::PULSE)

# The tests and the capture tool read and draw pictures with OpenCV (the
# capture tool is left out where it is missing, as in the play set-up); the
# benchmarks use Google Benchmark and Draco.
if(QUELLIN_BUILD_TESTS)
  find_package(OpenCVImage REQUIRED)
  find_package(benchmark REQUIRED)
  pkg_check_modules(DRACO IMPORTED_TARGET draco)
else()
  find_package(OpenCVImage QUIET)
endif()
