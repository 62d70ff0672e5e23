# What tarvelin.exe must be, checked each time it is linked and by the Windows tests. Prints its
# size and the DLLs it imports, and fails
#  - when it imports a DLL other than the few system DLLs that every Windows has, such as a
#    compiler runtime DLL (libstdc++, libgcc, libwinpthread) to carry along. The loader resolves
#    imports, and the imports of those, before the program can restrict where DLLs come from; these
#    four are KnownDLLs on Windows and pull in nothing that Wine would look for beside the program
#    (SHELL32, for one, would: it is loaded at run time instead);
#  - when its link map shows the C++ exception machinery that lean_runtime.cpp keeps out;
#  - given BUDGET_KIB, when it has grown past that: a new C++ library or a new use of it must not
#    make the program that ships larger unseen. Only the Windows tests give it, for the build type
#    that ships (tests/win32), so that every build type builds.
# cmake -DEXE=tarvelin.exe -DOBJDUMP=i686-w64-mingw32-objdump -DMAP=tarvelin.map [-DBUDGET_KIB=N] -P report.cmake
set(allowed gdi32.dll kernel32.dll msvcrt.dll user32.dll)

file(SIZE "${EXE}" bytes)
math(EXPR kib "(${bytes} + 1023) / 1024")
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${headers}")
list(TRANSFORM dlls REPLACE "DLL Name: " "")
list(JOIN dlls ", " dll_list)
get_filename_component(name "${EXE}" NAME)
message(STATUS "${name}: ${bytes} bytes (${kib} KiB); imports ${dll_list}")

if(NOT dlls)
  message(FATAL_ERROR "${EXE} shows no imports at all: not a program objdump can read")
endif()
list(TRANSFORM dlls TOLOWER)
set(unexpected ${dlls})
list(REMOVE_ITEM unexpected ${allowed})
if(unexpected)
  message(FATAL_ERROR "${name} imports DLLs outside the allowed set (${allowed}): ${unexpected}")
endif()

if(DEFINED BUDGET_KIB)
  math(EXPR budget_bytes "${BUDGET_KIB} * 1024")
  if(bytes GREATER budget_bytes)
    message(FATAL_ERROR "${name} is ${kib} KiB, over its budget of ${BUDGET_KIB} KiB")
  endif()
endif()
# The unwinder, the code that throws, the demangler of the verbose terminate handler, and the C++
# library's own throwing reports, each as the archive member the linker took it from.
file(READ "${MAP}" map)
string(REGEX MATCHALL "libgcc_eh\\.a\\([^)]+\\)|\\((eh_throw|cp-demangle|functexcept)\\.o\\)" machinery "${map}")
if(machinery)
  list(REMOVE_DUPLICATES machinery)
  list(JOIN machinery ", " machinery)
  message(FATAL_ERROR "${name} links the C++ exception machinery (${machinery}); see lean_runtime.cpp")
endif()
