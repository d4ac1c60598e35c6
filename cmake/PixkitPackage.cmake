# The Debian package: `cmake --build build --target package` makes pixkit_<version>_<arch>.deb with
# the libraries, public headers, CMake package, pkg-config file, the pixkit program and the
# examples' sources. The libraries are static, so a program built against the package needs the
# codec, font and X11 development packages that it depends on.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "PIXKIT developers <pixkit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop framework for image-processing and teaching programs")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libfreetype-dev, libfontconfig-dev, libpng-dev, libjpeg62-turbo-dev | libjpeg-dev, libgif-dev, \
libtiff-dev, libwebp-dev, libheif-dev, libx11-dev, libxext-dev, g++, pkg-config, fonts-ipafont-gothic, fonts-dejavu-core")
include(CPack)
