# Prints an executable's size and the DLLs it imports. Fails when the program has grown past its
# budget, or when its link map shows the C++ exception machinery that lean_runtime.cpp keeps out:
# a new C++ library or a new use of it must not make the program larger unseen.
# cmake -DEXE=tarvelin.exe -DOBJDUMP=x86_64-w64-mingw32-objdump -DMAP=tarvelin.map -P report.cmake
set(budget_kib 256)

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

math(EXPR budget_bytes "${budget_kib} * 1024")
if(bytes GREATER budget_bytes)
  message(FATAL_ERROR "${name} is ${kib} KiB, over its budget of ${budget_kib} KiB")
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
