# Makes the author's kit (cmake/kit.cmake), run by the build:
#   cmake -DKIT=ZIP -DSTAGING=DIR -DSOURCE_DIR=DIR -DLINUX_PROGRAM=FILE -DLINUX_TOOL=FILE
#         -DWINDOWS_PROGRAM=FILE -DWINDOWS_TOOL=FILE -DBUILD_ROOT=DIR -P make-kit.cmake
# The folder inside the zip is named as the zip is, tarvelin-VERSION. A program that is not there
# leaves no kit, and a kit of an earlier build goes with it, so that none is taken for this one.
# LIBRARIES.txt and the tools' corresponding source come from the records of the builds that made
# the programs: the build root's (scripts/portable-root.sh) for the Linux ones, the Windows
# decoders' (scripts/windows-decoders.sh) and the mingw build's record of its toolchain
# (cmake/decoders.cmake) for the Windows ones.
cmake_minimum_required(VERSION 3.21)

get_filename_component(top "${KIT}" NAME_WLE)
get_filename_component(windows_build "${WINDOWS_PROGRAM}" DIRECTORY)

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

# The records, each a line per library: KEY, NAME, VERSION, SOURCE PACKAGE, ITS VERSION, RELEASE,
# what was changed; and the folders that hold the source packages.
set(root_sources "${BUILD_ROOT}/usr/src/debian")
set(records "${root_sources}/libraries.tsv" "${windows_build}/windows-toolchain.tsv" "${windows_build}/windows-decoders.txt")
foreach(record IN LISTS records)
  if(NOT EXISTS "${record}")
    file(REMOVE "${KIT}")
    message(NOTICE "No kit made: ${record} is missing (made by the build root and the mingw build of this version: build them again).")
    return()
  endif()
endforeach()
file(STRINGS "${windows_build}/windows-decoders.txt" decoders_prefix LIMIT_COUNT 1)
set(decoders_sources "${decoders_prefix}/source")
list(APPEND records "${decoders_prefix}/libraries.tsv")
if(NOT EXISTS "${decoders_prefix}/libraries.tsv")
  file(REMOVE "${KIT}")
  message(NOTICE "No kit made: ${decoders_prefix}/libraries.tsv is missing (build the Windows decoders again).")
  return()
endif()

# The project's source as it is built: the files git knows of in the source tree (committed or
# not, ignored ones left out), or, in a tree that is not a git checkout, every file but build/.
execute_process(COMMAND git -C "${SOURCE_DIR}" -c core.quotePath=false ls-files --cached --others --exclude-standard
                OUTPUT_VARIABLE project_files RESULT_VARIABLE listed ERROR_QUIET)
if(listed EQUAL 0)
  string(REPLACE "\n" ";" project_files "${project_files}")
else()
  file(GLOB_RECURSE project_files LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
  list(FILTER project_files EXCLUDE REGEX "^(build|\\.git)/")
endif()
set(project_paths)
foreach(file IN LISTS project_files)
  if(file AND NOT IS_DIRECTORY "${SOURCE_DIR}/${file}" AND EXISTS "${SOURCE_DIR}/${file}")
    list(APPEND project_paths "${SOURCE_DIR}/${file}")
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
  foreach(input IN LISTS programs texts CMAKE_CURRENT_LIST_FILE licence_folder records project_paths)
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

# LIBRARIES.txt: for each program, the libraries linked into it from the records.
# library_lines(VARIABLE RECORD KEY...): the lines of RECORD's libraries KEY..., appended.
function(library_lines variable record)
  file(STRINGS "${record}" lines)
  set(text "${${variable}}")
  foreach(key IN LISTS ARGN)
    set(found FALSE)
    foreach(line IN LISTS lines)
      string(REPLACE "\t" ";" fields "${line}")
      list(GET fields 0 line_key)
      if(NOT line_key STREQUAL key)
        continue()
      endif()
      list(GET fields 1 name)
      list(GET fields 2 version)
      list(GET fields 3 package)
      list(GET fields 4 package_version)
      list(GET fields 5 release)
      list(LENGTH fields count)
      string(APPEND text "  ${name} ${version}: Debian source package ${package} ${package_version} (${release})")
      if(count GREATER 6)
        # What was changed may itself hold semicolons, which the list split.
        list(SUBLIST fields 6 -1 change)
        list(JOIN change ";" change)
        if(change)
          string(APPEND text ", ${change}")
        endif()
      endif()
      string(APPEND text "\n")
      set(found TRUE)
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "${record} has no record of ${key}")
    endif()
  endforeach()
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()
set(root_record "${root_sources}/libraries.tsv")
set(toolchain_record "${windows_build}/windows-toolchain.tsv")
set(decoders_record "${decoders_prefix}/libraries.tsv")
set(manifest "Libraries in the programs of this kit
=====================================

Every library linked into each program of the kit, with its version and the Debian source package
it was built from (name, version, Debian release), as the builds that made the programs recorded
them. Their notices are in medium/LICENSES.txt, their licences in medium/licenses/. The tools'
complete corresponding source, Tarvelin's own with libimagequant's source package, is
${top}-source.tar.xz. The Linux programs use the GNU C library of the system they run on, and the
Windows programs the libraries that are part of Windows: those are not carried.

medium/tarvelin.exe
")
library_lines(manifest "${toolchain_record}" mingw-w64 gcc-runtime)
string(APPEND manifest "\nmedium/.tarvelin\n")
library_lines(manifest "${root_record}" sdl gcc-runtime)
string(APPEND manifest "\ntarvelin-art\n")
library_lines(manifest "${root_record}" libpng zlib libjpeg-turbo giflib libimagequant gcc-runtime)
string(APPEND manifest "\ntarvelin-art.exe\n")
library_lines(manifest "${decoders_record}" libpng zlib libjpeg-turbo giflib libimagequant)
library_lines(manifest "${toolchain_record}" mingw-w64 gcc-runtime)
file(WRITE "${root}/LIBRARIES.txt" "${manifest}")

# The tools' corresponding source, ${top}-source.tar.xz beside them: the project's source as built,
# and the Debian source package (.dsc with its tarballs) of each library under the GPL compiled into
# them, libimagequant, as each tool's build kept it. The other libraries' licences ask for no
# source; LIBRARIES.txt names the exact Debian source package of every one.
set(source_top "${top}-source")
set(source_root "${STAGING}/${source_top}")
foreach(path IN LISTS project_paths)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${path}")
  get_filename_component(folder "${source_root}/${top}/${relative}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${path}" "${source_root}/${top}/${relative}")
endforeach()
file(MAKE_DIRECTORY "${source_root}/debian")
# debian_sources(FOLDER RECORD KEY...): the source packages of RECORD's libraries KEY..., from FOLDER.
function(debian_sources folder record)
  file(STRINGS "${record}" lines)
  foreach(key IN LISTS ARGN)
    foreach(line IN LISTS lines)
      string(REPLACE "\t" ";" fields "${line}")
      list(GET fields 0 line_key)
      if(line_key STREQUAL key)
        list(GET fields 3 package)
        list(GET fields 4 package_version)
        string(REGEX REPLACE "^[0-9]+:" "" package_version "${package_version}")
        string(REGEX REPLACE "-[^-]*$" "" upstream_version "${package_version}")
        file(GLOB files "${folder}/${package}_${package_version}.*" "${folder}/${package}_${upstream_version}.orig*")
        if(NOT EXISTS "${folder}/${package}_${package_version}.dsc")
          message(FATAL_ERROR "${folder} has no ${package}_${package_version}.dsc: the build's sources are not all kept")
        endif()
        foreach(file IN LISTS files)
          get_filename_component(name "${file}" NAME)
          file(COPY_FILE "${file}" "${source_root}/debian/${name}")
        endforeach()
      endif()
    endforeach()
  endforeach()
endfunction()
debian_sources("${root_sources}" "${root_record}" libimagequant)
debian_sources("${decoders_sources}" "${decoders_record}" libimagequant)
file(WRITE "${source_root}/SOURCE.txt" "The complete corresponding source of tarvelin-art and tarvelin-art.exe in ${top}
====================================================================================

${top}/   Tarvelin's own source, as the kit was built from it: the tools, the menu programs,
          the build scripts (CMakeLists.txt, cmake/, scripts/) and the tests. README.md says how
          to build: the kit is what its default build makes (with the mingw build beside it).
debian/   Debian's source package of libimagequant, the library under the GNU GPL compiled into
          both tools, as apt-get source fetched it for each tool's build: the .dsc with its .orig
          and .debian tarballs (\"dpkg-source -x NAME.dsc\" unpacks it).

How the tools were built from them: scripts/portable-root.sh (tarvelin-art: libimagequant compiled
in the build root without OpenMP, linked with Debian 11's libpng, zlib, libjpeg-turbo and giflib)
and scripts/windows-decoders.sh (tarvelin-art.exe: each library cross-compiled for Windows). The
other libraries compiled into the tools are under licences that ask for no source (libpng, zlib,
libjpeg-turbo, giflib, the GCC and mingw-w64 runtimes); LIBRARIES.txt in the kit names the exact
Debian source package and version of every one, as the builds recorded them.
")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cJf "${root}/${source_top}.tar.xz" "${source_top}"
                WORKING_DIRECTORY "${STAGING}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${root}/${source_top}.tar.xz could not be written")
endif()
file(REMOVE_RECURSE "${source_root}")

# Written beside the kit and renamed into place, so that an interrupted step leaves no half a zip
# under the kit's name.
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${KIT}.part" --format=zip "${top}"
                WORKING_DIRECTORY "${STAGING}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${KIT}.part")
  message(FATAL_ERROR "${KIT}: the zip could not be written")
endif()
file(RENAME "${KIT}.part" "${KIT}")
