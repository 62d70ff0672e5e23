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

TEST(ModuleDirectory, NtPathsOfDrivesAndSharesBecomeWin32Paths) {
  EXPECT_EQ(ModuleDirectory(L"\\??\\C:\\Disc\\tarvelin.exe"), L"C:\\Disc");
  EXPECT_EQ(ModuleDirectory(L"\\??\\UNC\\server\\share\\disc\\tarvelin.exe"), L"\\\\server\\share\\disc");
  // Wine, for a program started from \\server\share or \\?\UNC\server\share.
  EXPECT_EQ(ModuleDirectory(L"UNC\\server\\share\\disc\\tarvelin.exe"), L"\\\\server\\share\\disc");
  EXPECT_EQ(ModuleDirectory(L"unc\\server\\share\\tarvelin.exe"), L"\\\\server\\share");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\unc\\server\\share\\tarvelin.exe"), L"\\\\server\\share");
}

TEST(ModuleDirectory, OtherObjectPathsKeepTheirPrefix) {
  // A volume mounted without a drive letter; its root needs the "\\" to be a folder.
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\tarvelin.exe"),
            L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\Disc\\tarvelin.exe"),
            L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\Disc");
  // Wine's own path of a Unix folder, its "\\??\\" dropped.
  EXPECT_EQ(ModuleDirectory(L"unix\\media\\disc\\tarvelin.exe"), L"\\\\?\\unix\\media\\disc");
}

TEST(ModuleDirectory, PathsLongerThanMaxPathAreKeptWhole) {
  std::wstring directory = L"C:";
  while (directory.size() < 1000) directory += L"\\a rather long folder name";
  EXPECT_EQ(ModuleDirectory(directory + L"\\tarvelin.exe"), directory);
}

TEST(ModuleDirectory, NoDirectoryGivesNothing) {
  EXPECT_EQ(ModuleDirectory(L"tarvelin.exe"), L"");
  EXPECT_EQ(ModuleDirectory(L""), L"");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\tarvelin.exe"), L"");
  EXPECT_EQ(ModuleDirectory(L"\\\\?\\"), L"");
}
