# What the Windows build adds: the GL and GLU of the system (opengl32,
# glu32), GLEW built static, SDL's own WinMain wrapper, and the system
# libraries of the platform layer: the multimedia API (MIDI, the simple
# sound output, timers) and COM for the audio session API.
find_path(QUELLIN_GLEW_INCLUDE_DIR GL/glew.h REQUIRED)
find_library(QUELLIN_GLEW_LIBRARY glew32s REQUIRED)
add_library(GLEW::GLEW STATIC IMPORTED)
set_target_properties(GLEW::GLEW PROPERTIES
  IMPORTED_LOCATION ${QUELLIN_GLEW_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${QUELLIN_GLEW_INCLUDE_DIR}
  INTERFACE_COMPILE_DEFINITIONS GLEW_STATIC)
target_link_libraries(quellin_deps INTERFACE
  GLEW::GLEW opengl32 glu32 winmm ole32 uuid)
# OpenMP's runtime goes into the programs too: FindOpenMP names its import
# library, and -fopenmp under -static takes the archive instead.
set_target_properties(OpenMP::OpenMP_CXX PROPERTIES INTERFACE_LINK_LIBRARIES "" INTERFACE_LINK_OPTIONS -fopenmp)

# Every program and DLL of the Windows build lands in the build folder's
# root, beside the DLLs of the libraries linked dynamically (mpg123, LAME),
# so each runs from there as it will from the release folder.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
file(GLOB QUELLIN_WINDOWS_DLLS ${QUELLIN_WINDOWS_PREFIX}/bin/libmpg123-*.dll ${QUELLIN_WINDOWS_PREFIX}/bin/libmp3lame-*.dll)
file(COPY ${QUELLIN_WINDOWS_DLLS} DESTINATION ${CMAKE_BINARY_DIR})

# Assimp is static: what it reads zipped files with comes along.
if(TARGET PkgConfig::ASSIMP)
  find_library(QUELLIN_MINIZIP minizip REQUIRED)
  find_package(ZLIB REQUIRED)
  target_link_libraries(PkgConfig::ASSIMP INTERFACE ${QUELLIN_MINIZIP} ZLIB::ZLIB)
endif()
