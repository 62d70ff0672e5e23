# Prints an executable's size and the DLLs it imports.
# cmake -DEXE=tarvelin.exe -DOBJDUMP=x86_64-w64-mingw32-objdump -P report.cmake
file(SIZE "${EXE}" bytes)
math(EXPR kib "(${bytes} + 1023) / 1024")
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${headers}")
list(TRANSFORM lines REPLACE "DLL Name: " "")
list(JOIN lines ", " dlls)
get_filename_component(name "${EXE}" NAME)
message(STATUS "${name}: ${bytes} bytes (${kib} KiB); imports ${dlls}")
