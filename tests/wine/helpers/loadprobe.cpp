// Loads a DLL by name the way a program that does not restrict the DLL search would:
// loadprobe NAME. Shows that a DLL planted beside it is found there. Exit status 0 when loaded.

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  return LoadLibraryW(argv[1]) ? 0 : 1;
}
