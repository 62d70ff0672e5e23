# The author's kit: tarvelin-VERSION.zip in the build folder, one download from which an author on
# Windows or Linux makes a medium with nothing to build or install (packaging/AUTHORS-GUIDE.md).
# It unpacks into one folder, tarvelin-VERSION/, holding
#   AUTHORS-GUIDE.md
#   tarvelin-art, tarvelin-art.exe   the author's tool for Linux (the portable build, glibc alone)
#                                    and for Windows (static, system DLLs only), under the GPL
#   tarvelin-VERSION-source.tar.xz   the tools' complete corresponding source: the project's source
#                                    as built, and Debian's source packages of their libraries
#   LIBRARIES.txt                    every library in each program, its version and its source
#   medium/                          the menu as a medium carries it: .tarvelin (stripped),
#                                    tarvelin.exe, autorun.inf, autorun.sh, an example options.ini,
#                                    LICENSES.txt, and licenses/ with the full licence texts
# The tool inside the kit lays out media with the programs of that medium/ folder.
#
# The Windows programs come from the Windows build that TARVELIN_WINDOWS_PROGRAM names (the mingw
# preset's): tarvelin.exe and tarvelin-art.exe beside it. Without them the step says what to
# build, makes no kit and leaves the rest of the build alone, as a Linux-only build wants.

set(TARVELIN_KIT "${CMAKE_BINARY_DIR}/tarvelin-${PROJECT_VERSION}.zip")
get_filename_component(windows_build "${TARVELIN_WINDOWS_PROGRAM}" DIRECTORY)
add_custom_target(kit ALL
  COMMAND "${CMAKE_COMMAND}" "-DKIT=${TARVELIN_KIT}" "-DSTAGING=${CMAKE_BINARY_DIR}/kit"
          "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}" "-DLINUX_PROGRAM=${TARVELIN_PROGRAM}"
          "-DLINUX_TOOL=${TARVELIN_ART_PORTABLE}" "-DWINDOWS_PROGRAM=${TARVELIN_WINDOWS_PROGRAM}"
          "-DWINDOWS_TOOL=${windows_build}/tarvelin-art.exe" "-DBUILD_ROOT=${TARVELIN_BUILD_ROOT}"
          -P "${PROJECT_SOURCE_DIR}/cmake/make-kit.cmake"
  BYPRODUCTS "${TARVELIN_KIT}"
  COMMENT "Making the author's kit ${TARVELIN_KIT}")
add_dependencies(kit tarvelin tarvelin-art-portable)
