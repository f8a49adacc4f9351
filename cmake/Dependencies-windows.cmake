# What the Windows build adds: the GL and GLU of the system (opengl32,
# glu32), GLEW built static, SDL's own WinMain wrapper, and the system
# libraries of the platform layer: the multimedia API (MIDI, the simple
# sound output, timers) and COM for the audio session API.
set(GLEW_USE_STATIC_LIBS ON)
find_package(GLEW REQUIRED)
target_link_libraries(quellin_deps INTERFACE
  GLEW::GLEW opengl32 glu32 winmm ole32 uuid)
