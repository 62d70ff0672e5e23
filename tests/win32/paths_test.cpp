#include "runtime/win32/paths.h"

#include <gtest/gtest.h>

using namespace tarvelin;

TEST(ModuleDirectory, EndsWithBackslashOnlyAtADriveRoot) {
  EXPECT_EQ(ModuleDirectory(L"C:\\tarvelin.exe"), L"C:\\");
  EXPECT_EQ(ModuleDirectory(L"d:\\autorun.exe"), L"d:\\");
  EXPECT_EQ(ModuleDirectory(L"C:\\Disc\\tarvelin.exe"), L"C:\\Disc");
  EXPECT_EQ(ModuleDirectory(L"E:\\Disc\\Menu\\tarvelin.exe"), L"E:\\Disc\\Menu");
}

TEST(ModuleDirectory, NetworkShares) {
  EXPECT_EQ(ModuleDirectory(L"\\\\server\\share\\disc\\tarvelin.exe"), L"\\\\server\\share\\disc");
  EXPECT_EQ(ModuleDirectory(L"\\\\server\\share\\tarvelin.exe"), L"\\\\server\\share");
}

TEST(ModuleDirectory, LongPathPrefixIsDropped) {
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\C:\\tarvelin.exe"), L"C:\\");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\C:\\Disc\\tarvelin.exe"), L"C:\\Disc");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\UNC\\server\\share\\disc\\tarvelin.exe"), L"\\\\server\\share\\disc");
}

TEST(ModuleDirectory, PathsLongerThanMaxPathAreKeptWhole) {
  std::wstring directory = L"C:";
  while (directory.size() < 1000) directory += L"\\a rather long folder name";
  EXPECT_EQ(ModuleDirectory(directory + L"\\tarvelin.exe"), directory);
}

TEST(ModuleDirectory, NoDirectoryGivesNothing) {
  EXPECT_EQ(ModuleDirectory(L"tarvelin.exe"), L"");
  EXPECT_EQ(ModuleDirectory(L""), L"");
}
