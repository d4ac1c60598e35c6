# Finds OpenCV's core and imgproc for the bridge's example: through OpenCV's own CMake package
# where it is installed (libopencv-dev), otherwise the headers and the two libraries themselves,
# since Debian's libopencv-core-dev and libopencv-imgproc-dev ship no CMake package. Sets
# PXK_OPENCV_FOUND, PXK_OPENCV_INCLUDE_DIRS and PXK_OPENCV_LIBS.
find_package(OpenCV QUIET COMPONENTS core imgproc)
if(OpenCV_FOUND)
  set(PXK_OPENCV_FOUND ON)
  set(PXK_OPENCV_INCLUDE_DIRS ${OpenCV_INCLUDE_DIRS})
  set(PXK_OPENCV_LIBS ${OpenCV_LIBS})
else()
  find_path(PXK_OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)
  find_library(PXK_OPENCV_CORE_LIB opencv_core)
  find_library(PXK_OPENCV_IMGPROC_LIB opencv_imgproc)
  set(PXK_OPENCV_FOUND OFF)
  if(PXK_OPENCV_INCLUDE_DIR AND PXK_OPENCV_CORE_LIB AND PXK_OPENCV_IMGPROC_LIB
     AND EXISTS ${PXK_OPENCV_INCLUDE_DIR}/opencv2/imgproc.hpp)
    set(PXK_OPENCV_FOUND ON)
    set(PXK_OPENCV_INCLUDE_DIRS ${PXK_OPENCV_INCLUDE_DIR})
    set(PXK_OPENCV_LIBS ${PXK_OPENCV_IMGPROC_LIB} ${PXK_OPENCV_CORE_LIB})
  endif()
endif()
