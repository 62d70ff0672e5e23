# Fails unless the executable imports only the few system DLLs that every Windows has and has no
# compiler runtime DLL (libstdc++, libgcc, libwinpthread) to carry along. The loader resolves
# imports, and the imports of those, before the program can restrict where DLLs come from; these
# four are KnownDLLs on Windows and pull in nothing that Wine would look for beside the program
# (SHELL32, for one, would: it is loaded at run time instead).
# cmake -DEXE=tarvelin.exe -DOBJDUMP=x86_64-w64-mingw32-objdump -P check_imports.cmake
set(allowed gdi32.dll kernel32.dll msvcrt.dll user32.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${headers}")
list(TRANSFORM lines REPLACE "DLL Name: " "")
list(TRANSFORM lines TOLOWER)
if(NOT lines)
  message(FATAL_ERROR "${EXE} shows no imports at all: not a program objdump can read")
endif()
set(unexpected ${lines})
list(REMOVE_ITEM unexpected ${allowed})
if(unexpected)
  message(FATAL_ERROR "${EXE} imports DLLs outside the allowed set (${allowed}): ${unexpected}")
endif()
message(STATUS "imports: ${lines}")
