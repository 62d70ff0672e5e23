# The libraries tarvelin-art reads and reduces pictures with, as two targets: tarvelin_decoders
# (libpng, zlib, libjpeg-turbo, giflib) and tarvelin_imagequant (libimagequant). Found through
# CMake's own modules, so that the same lines serve the three builds: this machine's libraries
# for the tests; in the Debian 11 root, that release's static archives; in the mingw build, the
# archives scripts/windows-decoders.sh cross-builds from Debian's source packages. The shipped
# tools take only static archives.
if(WIN32)
  set(TARVELIN_DECODERS_DIR "${PROJECT_SOURCE_DIR}/build/windows-decoders" CACHE PATH
      "Where scripts/windows-decoders.sh keeps the decoders it builds for Windows, shared by the build trees")
  execute_process(COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/windows-decoders.sh" "${TARVELIN_DECODERS_DIR}"
                  OUTPUT_VARIABLE decoders_prefix OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE built)
  if(NOT built EQUAL 0)
    message(FATAL_ERROR "The decoders for Windows are not built (scripts/windows-decoders.sh, above)")
  endif()
  list(PREPEND CMAKE_FIND_ROOT_PATH "${decoders_prefix}")
  # For the kit's manifest (cmake/make-kit.cmake): where the decoders, their record and their
  # sources are, and what this machine's mingw-w64 links into every program of this build (the C
  # runtime with winpthreads, and GCC's runtime libraries), in the decoders' record's form.
  file(WRITE "${CMAKE_BINARY_DIR}/windows-decoders.txt" "${decoders_prefix}\n")
  execute_process(
    COMMAND bash -c [[
      set -eo pipefail
      codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
      mac=/usr/i686-w64-mingw32/include/_mingw_mac.h
      version() { sed -n "s/^#define __MINGW64_VERSION_$1 \([0-9]*\).*/\1/p" "$mac"; }
      printf 'mingw-w64\tmingw-w64 runtime (C runtime, winpthreads)\t%s.%s.%s\t%s\t%s\t\n' \
        "$(version MAJOR)" "$(version MINOR)" "$(version BUGFIX)" \
        "$(dpkg-query -W -f='${source:Package}\t${source:Version}' "$(dpkg-query -S "$mac" | cut -d: -f1)")" "$codename"
      runtime=$(dpkg-query -S "$(i686-w64-mingw32-g++-posix -print-file-name=libstdc++.a)" | cut -d: -f1)
      printf 'gcc-runtime\tGCC runtime libraries (libstdc++, libgcc)\t%s\t%s\t%s\t\n' \
        "$(dpkg-query -W -f='${Version}' "$runtime" | sed 's/-.*//')" \
        "$(dpkg-query -W -f='${source:Package}\t${source:Version}' "$runtime")" "$codename"
    ]]
    OUTPUT_FILE "${CMAKE_BINARY_DIR}/windows-toolchain.tsv" RESULT_VARIABLE recorded)
  if(NOT recorded EQUAL 0)
    message(WARNING "The mingw-w64 toolchain's packages are not known to dpkg: the kit made with this build names no version of them")
  endif()
endif()
if(TARVELIN_IN_BUILD_ROOT OR WIN32)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
endif()
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF 5 REQUIRED)
find_path(IMAGEQUANT_INCLUDE_DIR libimagequant.h REQUIRED)
find_library(IMAGEQUANT_LIBRARY imagequant REQUIRED)
set(decoder_libraries ${PNG_LIBRARIES} ${JPEG_LIBRARIES} ${GIF_LIBRARIES})
set(imagequant_libraries "${IMAGEQUANT_LIBRARY}")

add_library(tarvelin_decoders INTERFACE)
target_include_directories(tarvelin_decoders INTERFACE ${PNG_INCLUDE_DIRS} ${JPEG_INCLUDE_DIRS} ${GIF_INCLUDE_DIRS})
add_library(tarvelin_imagequant INTERFACE)
target_include_directories(tarvelin_imagequant INTERFACE "${IMAGEQUANT_INCLUDE_DIR}")

if(TARVELIN_IN_BUILD_ROOT)
  # Debian 11's archives were compiled against glibc 2.31, and libpng's asks for pow and powf in the
  # versions glibc 2.29 and 2.27 gave them. Copies of the archives call them by names of their own,
  # which glibc_math.c gives, compiled with cmake/glibc-2.17.h as the rest of the program is.
  # libimagequant is the root's own build (scripts/portable-root.sh), compiled so already.
  function(tarvelin_glibc_217_copies variable)
    set(copies)
    foreach(archive IN LISTS ${variable})
      if(NOT archive MATCHES "\\.a$")  # -lm, say
        list(APPEND copies "${archive}")
        continue()
      endif()
      get_filename_component(name "${archive}" NAME)
      set(copy "${CMAKE_BINARY_DIR}/glibc-2.17/${name}")
      file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/glibc-2.17")
      execute_process(COMMAND objcopy --redefine-sym pow=tarvelin_glibc217_pow --redefine-sym powf=tarvelin_glibc217_powf
                              "${archive}" "${copy}" RESULT_VARIABLE copied)
      if(NOT copied EQUAL 0)
        message(FATAL_ERROR "objcopy could not copy ${archive}")
      endif()
      list(APPEND copies "${copy}")
    endforeach()
    set(${variable} ${copies} PARENT_SCOPE)
  endfunction()
  tarvelin_glibc_217_copies(decoder_libraries)
  target_sources(tarvelin_decoders INTERFACE "${CMAKE_CURRENT_LIST_DIR}/glibc_math.c")
endif()
if(NOT WIN32)
  list(APPEND decoder_libraries m)
endif()
target_link_libraries(tarvelin_decoders INTERFACE ${decoder_libraries})
target_link_libraries(tarvelin_imagequant INTERFACE ${imagequant_libraries} tarvelin_decoders)
