# Makes the author's kit (cmake/kit.cmake), run by the build:
#   cmake -DKIT=ZIP -DSTAGING=DIR -DSOURCE_DIR=DIR -DLINUX_PROGRAM=FILE -DLINUX_TOOL=FILE
#         -DWINDOWS_PROGRAM=FILE -DWINDOWS_TOOL=FILE -P make-kit.cmake
# The folder inside the zip is named as the zip is, tarvelin-VERSION. A program that is not there
# leaves no kit, and a kit of an earlier build goes with it, so that none is taken for this one.
cmake_minimum_required(VERSION 3.21)

get_filename_component(top "${KIT}" NAME_WLE)

set(programs "${LINUX_PROGRAM}" "${LINUX_TOOL}" "${WINDOWS_PROGRAM}" "${WINDOWS_TOOL}")
foreach(program IN LISTS programs)
  if(NOT EXISTS "${program}")
    file(REMOVE "${KIT}")
    if(program STREQUAL "${WINDOWS_PROGRAM}" OR program STREQUAL "${WINDOWS_TOOL}")
      set(how "build the Windows programs first: cmake --preset mingw && cmake --build --preset mingw")
    else()
      set(how "this build makes it")
    endif()
    message(NOTICE "No kit made: ${program} is missing (${how}).")
    return()
  endif()
endforeach()

set(licence_folder "${SOURCE_DIR}/packaging/licenses")
file(GLOB licence_texts "${licence_folder}/*.txt")
set(texts "${SOURCE_DIR}/LICENSE" ${licence_texts} "${SOURCE_DIR}/packaging/LICENSES.txt"
          "${SOURCE_DIR}/packaging/autorun.inf" "${SOURCE_DIR}/packaging/autorun.sh"
          "${SOURCE_DIR}/examples/disc/options.ini" "${SOURCE_DIR}/packaging/AUTHORS-GUIDE.md")

# Made again only when something it holds changed (or this script did, or a licence text came or
# went).
if(EXISTS "${KIT}")
  set(up_to_date TRUE)
  foreach(input IN LISTS programs texts CMAKE_CURRENT_LIST_FILE licence_folder)
    if("${input}" IS_NEWER_THAN "${KIT}")
      set(up_to_date FALSE)
    endif()
  endforeach()
  if(up_to_date)
    return()
  endif()
endif()

set(root "${STAGING}/${top}")
file(REMOVE_RECURSE "${STAGING}")
file(MAKE_DIRECTORY "${root}/medium/licenses")

# put(FILE DESTINATION MODE): FILE copied to DESTINATION (a path inside the kit) with MODE, as the
# zip keeps it: executable (rwxr-xr-x) or not (rw-r--r--).
function(put file destination mode)
  file(COPY_FILE "${file}" "${root}/${destination}")
  set(permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(mode STREQUAL executable)
    list(APPEND permissions OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  endif()
  file(CHMOD "${root}/${destination}" PERMISSIONS ${permissions})
endfunction()

put("${SOURCE_DIR}/packaging/AUTHORS-GUIDE.md" AUTHORS-GUIDE.md plain)
put("${LINUX_TOOL}" tarvelin-art executable)
put("${WINDOWS_TOOL}" tarvelin-art.exe plain)
# The medium's root as tarvelin-art lays it out: the Linux program as .tarvelin, which Linux file
# managers hide and autorun.sh opens.
put("${LINUX_PROGRAM}" medium/.tarvelin executable)
put("${WINDOWS_PROGRAM}" medium/tarvelin.exe plain)
put("${SOURCE_DIR}/packaging/autorun.inf" medium/autorun.inf plain)
put("${SOURCE_DIR}/packaging/autorun.sh" medium/autorun.sh executable)
put("${SOURCE_DIR}/examples/disc/options.ini" medium/options.ini plain)
put("${SOURCE_DIR}/packaging/LICENSES.txt" medium/LICENSES.txt plain)
put("${SOURCE_DIR}/LICENSE" medium/licenses/Tarvelin.txt plain)
foreach(text IN LISTS licence_texts)
  get_filename_component(name "${text}" NAME)
  put("${text}" "medium/licenses/${name}" plain)
endforeach()

# Written beside the kit and renamed into place, so that an interrupted step leaves no half a zip
# under the kit's name.
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${KIT}.part" --format=zip "${top}"
                WORKING_DIRECTORY "${STAGING}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${KIT}.part")
  message(FATAL_ERROR "${KIT}: the zip could not be written")
endif()
file(RENAME "${KIT}.part" "${KIT}")
