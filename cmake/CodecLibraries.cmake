# The image codec's libraries, found for the codec (codec/CMakeLists.txt, also in the fuzz
# build, which builds the codec alone) and for the top build, whose installed targets and tests'
# link lines name them as well. Finding them twice is harmless.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(TIFF REQUIRED)
# libwebp and libheif have no CMake package on Debian; their pkg-config files give one imported
# target for both.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CODEC_LIBS REQUIRED IMPORTED_TARGET libwebp libwebpdemux libheif)
