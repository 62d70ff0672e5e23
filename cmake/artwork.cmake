# The artwork pipeline, included by the top-level CMakeLists.txt: the pair in TARVELIN_ART_DIR is
# checked against the menu when the project is configured, then packed (RLE8) and embedded as
# byte arrays in builtin_art.cpp, which tarvelin_runtime compiles. TARVELIN_PACKED_BACKGROUND and
# TARVELIN_PACKED_HIGHLIGHT name the packed pictures for the Windows resources.

# Tools the build runs are programs for the build machine, compiled with that machine's compiler
# even when the menu itself is cross-compiled.
if(CMAKE_CROSSCOMPILING)
  find_program(TARVELIN_HOST_CXX NAMES c++ g++ clang++ REQUIRED DOC "C++ compiler for tools the build runs")
else()
  set(TARVELIN_HOST_CXX "${CMAKE_CXX_COMPILER}")
endif()
# The pictures and icon, carried inside the program as byte arrays. A pair that does not fit the
# menu stops the build here, with the file and the fault named.
include("${CMAKE_CURRENT_LIST_DIR}/check-art.cmake")
tarvelin_check_art("${TARVELIN_ART_DIR}" "${TARVELIN_HOST_CXX}")
# The pictures go in as RLE8 bitmaps, about a fifth of their size, written by bmp-rle8. The Windows
# program's bitmap resources are the same files.
set(bmp_rle8 "${PROJECT_BINARY_DIR}/bmp-rle8${CMAKE_HOST_EXECUTABLE_SUFFIX}")
set(bmp_rle8_sources "${PROJECT_SOURCE_DIR}/tools/bmp-rle8/main.cpp" "${PROJECT_SOURCE_DIR}/tools/common/bitmap_file.cpp"
                     "${PROJECT_SOURCE_DIR}/runtime/picture.cpp")
add_custom_command(
  OUTPUT "${bmp_rle8}"
  COMMAND "${TARVELIN_HOST_CXX}" -std=c++20 -O2 ${TARVELIN_WARNING_FLAGS} "-I${PROJECT_SOURCE_DIR}" -o "${bmp_rle8}"
          ${bmp_rle8_sources}
  DEPENDS ${bmp_rle8_sources} "${PROJECT_SOURCE_DIR}/tools/common/bitmap_file.h" "${PROJECT_SOURCE_DIR}/runtime/picture.h"
          "${PROJECT_SOURCE_DIR}/runtime/little_endian.h" "${PROJECT_SOURCE_DIR}/tools/common/capped_file.h"
          "${PROJECT_SOURCE_DIR}/tools/common/outcome.h" "${PROJECT_SOURCE_DIR}/runtime/artwork.h"
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
  COMMENT "Building bmp-rle8 for the build machine")
set(TARVELIN_PACKED_BACKGROUND "${PROJECT_BINARY_DIR}/art/background.bmp")
set(TARVELIN_PACKED_HIGHLIGHT "${PROJECT_BINARY_DIR}/art/highlight.bmp")
set(art_files "${TARVELIN_ART_DIR}/background.bmp" "${TARVELIN_ART_DIR}/highlight.bmp" "${TARVELIN_ART_DIR}/tarvelin.ico")
add_custom_command(
  OUTPUT "${PROJECT_BINARY_DIR}/builtin_art.cpp" "${TARVELIN_PACKED_BACKGROUND}" "${TARVELIN_PACKED_HIGHLIGHT}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/art"
  COMMAND "${bmp_rle8}" "${TARVELIN_ART_DIR}/background.bmp" "${TARVELIN_PACKED_BACKGROUND}"
  COMMAND "${bmp_rle8}" "${TARVELIN_ART_DIR}/highlight.bmp" "${TARVELIN_PACKED_HIGHLIGHT}"
  COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${PROJECT_BINARY_DIR}/builtin_art.cpp"
          "-DNAMES=BuiltInBackgroundBitmap\;BuiltInHighlightBitmap\;BuiltInIcon"
          "-DFILES=${TARVELIN_PACKED_BACKGROUND}\;${TARVELIN_PACKED_HIGHLIGHT}\;${TARVELIN_ART_DIR}/tarvelin.ico"
          -P "${PROJECT_SOURCE_DIR}/cmake/embed.cmake"
  DEPENDS ${art_files} "${bmp_rle8}" "${PROJECT_SOURCE_DIR}/cmake/embed.cmake"
  COMMENT "Packing and embedding the artwork")
