// The Windows tests' main: no system error dialog may stop a run under Wine. A wide-character
// entry point, as the tests link as tarvelin.exe does.
#include <windows.h>

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
