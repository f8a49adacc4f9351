# Finds the three OpenCV modules the player uses (core, imgproc, imgcodecs).
# Debian ships their configuration files only with the full libopencv-dev,
# which drags in far more than we need, so the split packages are found here.
find_path(OpenCVImage_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
find_library(OpenCVImage_CORE_LIBRARY opencv_core)
find_library(OpenCVImage_IMGPROC_LIBRARY opencv_imgproc)
find_library(OpenCVImage_IMGCODECS_LIBRARY opencv_imgcodecs)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCVImage REQUIRED_VARS
  OpenCVImage_INCLUDE_DIR OpenCVImage_CORE_LIBRARY
  OpenCVImage_IMGPROC_LIBRARY OpenCVImage_IMGCODECS_LIBRARY)
if(OpenCVImage_FOUND AND NOT TARGET OpenCVImage::OpenCVImage)
  add_library(OpenCVImage::OpenCVImage INTERFACE IMPORTED)
  set_target_properties(OpenCVImage::OpenCVImage PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${OpenCVImage_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES "${OpenCVImage_IMGCODECS_LIBRARY};${OpenCVImage_IMGPROC_LIBRARY};${OpenCVImage_CORE_LIBRARY}")
endif()
