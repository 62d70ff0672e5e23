# The libraries tarvelin-art reads and reduces pictures with, as two targets: tarvelin_decoders
# (libpng, zlib, libjpeg-turbo, giflib) and tarvelin_imagequant (libimagequant). Found through
# CMake's own modules, so that the same lines serve the three builds: this machine's libraries
# for the tests; in the Debian 11 root, that release's static archives; in the mingw build, the
# archives scripts/windows-decoders.sh cross-builds from Debian's source packages
# (TARVELIN_DECODERS_PREFIX). The shipped tools take only static archives.
if(TARVELIN_IN_BUILD_ROOT OR WIN32)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
endif()
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF 5 REQUIRED)
find_path(IMAGEQUANT_INCLUDE_DIR libimagequant.h REQUIRED)
find_library(IMAGEQUANT_LIBRARY imagequant REQUIRED)

add_library(tarvelin_decoders INTERFACE)
target_link_libraries(tarvelin_decoders INTERFACE PNG::PNG JPEG::JPEG GIF::GIF ZLIB::ZLIB)
add_library(tarvelin_imagequant INTERFACE)
target_include_directories(tarvelin_imagequant INTERFACE "${IMAGEQUANT_INCLUDE_DIR}")
target_link_libraries(tarvelin_imagequant INTERFACE "${IMAGEQUANT_LIBRARY}")
if(IMAGEQUANT_LIBRARY MATCHES "\\.a$" AND NOT WIN32)
  # Debian's archive spreads its work over threads with OpenMP.
  find_package(OpenMP REQUIRED)
  target_link_libraries(tarvelin_imagequant INTERFACE OpenMP::OpenMP_C m)
endif()
