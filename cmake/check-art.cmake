# Refuses, at configure time, a pair of pictures that does not fit the menu, with the file and the
# fault named. The rules are the programs' own: check-art is compiled here from the runtime's
# sources and menu/layout.h, with the build machine's compiler, so the hot spots it checks are the
# ones the compiler reads, however the layout is written.
#
# The same tool writes the hot spots into the build tree, one a line as INDEX LEFT TOP WIDTH HEIGHT,
# in the file TARVELIN_HOT_SPOTS names: test scripts and benchmarks read their rectangles there,
# so a hot spot moves by an edit of menu/layout.h alone.

function(tarvelin_check_art dir host_cxx)
  set(source "${PROJECT_SOURCE_DIR}")
  set(sources "${source}/tools/check-art/main.cpp" "${source}/runtime/artwork_fit.cpp" "${source}/runtime/picture.cpp")
  set(headers "${source}/menu/layout.h" "${source}/runtime/artwork.h" "${source}/runtime/picture.h"
              "${source}/runtime/form.h" "${source}/runtime/little_endian.h"
              "${source}/tools/common/capped_file.h" "${source}/tools/common/outcome.h")
  set(art "${dir}/background.bmp" "${dir}/highlight.bmp" "${dir}/tarvelin.ico")
  # A change to any of these configures again, and so checks again.
  set_property(DIRECTORY "${source}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources} ${headers} ${art})

  set(tool "${PROJECT_BINARY_DIR}/check-art${CMAKE_HOST_EXECUTABLE_SUFFIX}")
  set(stale FALSE)
  foreach(file IN LISTS sources headers)
    if(NOT EXISTS "${tool}" OR "${file}" IS_NEWER_THAN "${tool}")
      set(stale TRUE)
    endif()
  endforeach()
  if(stale)
    execute_process(
      COMMAND "${host_cxx}" -std=c++20 -O1 ${TARVELIN_WARNING_FLAGS} "-I${source}" -o "${tool}" ${sources}
      RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
    if(NOT status EQUAL 0)
      file(REMOVE "${tool}")
      message(FATAL_ERROR "check-art could not be compiled with ${host_cxx}:\n${errors}")
    endif()
  endif()

  execute_process(COMMAND "${tool}" --hot-spots RESULT_VARIABLE status OUTPUT_VARIABLE table)
  if(NOT status EQUAL 0 OR table STREQUAL "")
    message(FATAL_ERROR "check-art --hot-spots gave no table of hot spots")
  endif()
  # Written only when it changes, so that what is built from it is not built again for nothing.
  set(hot_spots "${PROJECT_BINARY_DIR}/hot_spots.txt")
  file(CONFIGURE OUTPUT "${hot_spots}" CONTENT "${table}" @ONLY)
  set(TARVELIN_HOT_SPOTS "${hot_spots}" PARENT_SCOPE)

  execute_process(COMMAND "${tool}" "${dir}/background.bmp" "${dir}/highlight.bmp"
                  RESULT_VARIABLE status ERROR_VARIABLE fault OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    string(STRIP "${fault}" fault)
    message(FATAL_ERROR "${fault}")
  endif()
  if(NOT EXISTS "${dir}/tarvelin.ico")
    message(FATAL_ERROR "${dir}/tarvelin.ico: missing")
  endif()
endfunction()
