# Cross-compiles the Windows program with Debian's mingw-w64 (package g++-mingw-w64-i686-posix).
# A 32-bit x86 program: the one tarvelin.exe runs on 32-bit and 64-bit Windows and on Windows on
# ARM, whose emulation of x86 may be 32-bit only. Everything is linked statically, so tarvelin.exe
# needs no compiler runtime DLL beside it, and the Windows tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(mingw_prefix i686-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)
set(CMAKE_OBJDUMP ${mingw_prefix}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Small code: every function and object in its own section, so the linker drops what is unused.
# No exceptions: the program throws and catches none, and without them the C++ library's
# exception machinery stays out of tarvelin.exe (see runtime/win32/lean_runtime.cpp).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-exceptions")
# No libgcc, libstdc++ or winpthread DLLs: the program runs from a disc on any Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")

# Windows programs built here run under Wine on the build machine.
find_program(TARVELIN_WINE wine)
if(TARVELIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${TARVELIN_WINE}")
endif()
