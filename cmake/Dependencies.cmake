# Libraries the build uses, all from Debian packages installed by scripts/setup.sh.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(GTest REQUIRED)
find_package(Boost 1.74 REQUIRED)

# libutfcpp-dev comes with a CMake package (target utf8cpp, headers under /usr/include/utf8cpp)
# and no pkg-config file.
find_package(utf8cpp CONFIG REQUIRED)

pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswscale)
# The platform stand-in's display converts and scales with libswscale alone.
pkg_check_modules(SWSCALE REQUIRED IMPORTED_TARGET libswscale libavutil)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
# The RTSP source library's client (rtspsrc, rtph264depay and appsink come as plug-ins).
pkg_check_modules(GSTREAMER REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0 gstreamer-rtp-1.0)
pkg_check_modules(GSTRTSP REQUIRED IMPORTED_TARGET gstreamer-rtsp-server-1.0 gstreamer-rtsp-1.0 gstreamer-1.0 gstreamer-app-1.0)
pkg_check_modules(DUKTAPE IMPORTED_TARGET duktape)
find_package(JPEG REQUIRED)

# OpenCV ships no pkg-config file without libopencv-dev: name the four libraries directly and keep
# its headers as system headers (they warn under C++20).
add_library(veltrin_opencv INTERFACE)
target_include_directories(veltrin_opencv SYSTEM INTERFACE /usr/include/opencv4)
target_link_libraries(veltrin_opencv INTERFACE opencv_core opencv_imgproc opencv_calib3d opencv_imgcodecs)

# The real browser of the desktop: QtWebKit for the page viewer, Xlib with its shared-memory images
# for the desktop bridge that paints the plug-in into the page.
find_package(Qt5 REQUIRED COMPONENTS Widgets WebKitWidgets Network)
find_package(X11 REQUIRED)
if(NOT TARGET X11::Xext)
  message(FATAL_ERROR "libXext (shared-memory images) is missing: run scripts/setup.sh")
endif()

find_package(benchmark QUIET)
