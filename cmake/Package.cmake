# `make package`: the Debian package of what cmake/Install.cmake installs, under /usr, built by
# CPack as build/hatching_<version>-<release>_<arch>.deb. The libraries the binaries link are
# found by dpkg-shlibdeps; what they open at run time is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hatching)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated skeletal character drawn in pencil hatching")
# The synopsis is the summary above; these are the extended description's lines (under 80 columns).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A real-time viewer that draws a skeletal character, read from SMD files\n"
    "and animated on the processor, in pencil hatching: six hatching textures\n"
    "and a snowy environment map through one effect, with a free camera and a\n"
    "movable light. It runs on OpenGL 3.3 core (Mesa's software rasterizer is\n"
    "enough), headless without a display, and records what it renders as PNG\n"
    "pictures, H.264 video or animated GIF.\n"
    "\n"
    "The package also holds smdinfo, which prints how the viewer reads SMD files.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${HATCHING_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HATCHING_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened at run time rather than linked: Mesa's OpenGL and EGL drivers (llvmpipe without a GPU)
# and the overlay's fonts, Arial's metric twin and a Hangul face.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri, libegl-mesa0, fonts-liberation, fonts-nanum")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
