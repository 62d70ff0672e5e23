#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "posix_test_support.h"
#include "runtime/linux/files.h"
#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {
namespace {

using namespace testing;

// Reads every field up to the end of the file; a read error ends the list with "<error>".
std::vector<std::string> ReadAll(TextInput input) {
  std::vector<std::string> fields;
  while (!input.AtEnd()) {
    const std::optional<std::string> field = input.ReadField();
    if (!field) {
      fields.push_back("<error>");
      break;
    }
    fields.push_back(*field);
  }
  return fields;
}

std::optional<std::vector<std::string>> ReadFields(const fs::path& path) {
  std::optional<TextInput> input = OpenForInput(path.string());
  if (!input) return std::nullopt;
  return ReadAll(std::move(*input));
}

// Ends the test process should a call block, so that a fault cannot hang the test run.
class HangGuard {
 public:
  HangGuard() { alarm(60); }
  ~HangGuard() { alarm(0); }
};

TEST(ExecutableDirectory, IsTheDirectoryOfTheRunningProgram) {
  KeepCurrentDirectory keep;
  const fs::path program = fs::read_symlink("/proc/self/exe");
  fs::current_path("/");
  const std::string directory = ExecutableDirectory();
  EXPECT_EQ(directory, program.parent_path().string());
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '/');
}

// A medium made on Windows differs in case from what its options.ini says; on Windows it works.
TEST(FindIgnoringCase, TakesTheNameAsWrittenFirstThenEachElementIgnoringCase) {
  TempDir dir;
  fs::create_directories(dir / "Setup" / "Bin");
  WriteFile(dir / "Setup" / "Bin" / "Setup.EXE", "");
  WriteFile(dir / "ReadMe.txt", "");
  EXPECT_EQ(FindIgnoringCase((dir / "setup/bin/setup.exe").string()), (dir / "Setup/Bin/Setup.EXE").string());
  EXPECT_EQ(FindIgnoringCase((dir / "README.TXT").string()), (dir / "ReadMe.txt").string());
  EXPECT_EQ(FindIgnoringCase((dir / "setup/missing.exe").string()), std::nullopt);
  EXPECT_EQ(FindIgnoringCase((dir / "readme.txt/x").string()), std::nullopt);
  // An element as written that leads nowhere gives way to one in another case that does.
  fs::create_directories(dir / "setup" / "bin");
  EXPECT_EQ(FindIgnoringCase((dir / "setup/bin/setup.exe").string()), (dir / "Setup/Bin/Setup.EXE").string());

  // Relative to the current folder, as commands are.
  KeepCurrentDirectory keep;
  fs::current_path(dir.path());
  EXPECT_EQ(FindIgnoringCase("setup/./bin/SETUP.exe"), "Setup/./Bin/Setup.EXE");
  EXPECT_EQ(FindIgnoringCase("readme.txt"), "ReadMe.txt");
}

TEST(FindIgnoringCase, PrefersTheExactNameAndChoosesTheSameOneOfTwoThatDifferInCase) {
  TempDir dir;
  for (const char* name : {"options.ini", "Options.ini", "OPTIONS.INI", "ReadMe.txt", "README.txt"})
    WriteFile(dir / name, name);
  EXPECT_EQ(FindIgnoringCase((dir / "Options.ini").string()), (dir / "Options.ini").string());
  EXPECT_EQ(FindIgnoringCase((dir / "options.ini").string()), (dir / "options.ini").string());
  // Of names that differ only in case, the first by byte order, whatever order the folder lists.
  EXPECT_EQ(FindIgnoringCase((dir / "readme.TXT").string()), (dir / "README.txt").string());
  const std::optional<TextInput> options = OpenForInput((dir / "OPTIONS.ini").string());
  ASSERT_TRUE(options);
  EXPECT_EQ(ReadAll(*options), std::vector<std::string>{"OPTIONS.INI"});
  EXPECT_EQ(ReadArtFile((dir / "readme.txt").string()).bytes.size(), std::string("README.txt").size());
}

// A folder whose names "a" and "A" both lead back to it doubles the ways to try at each level; the
// lookup stops once it has listed its share of folders, and a name that exists is still found.
TEST(FindIgnoringCase, EndsOnAMediumThatDoublesTheWaysAtEveryLevel) {
  TempDir dir;
  fs::create_directories(dir / "maze");
  fs::create_directory_symlink(".", dir / "maze" / "a");
  fs::create_directory_symlink(".", dir / "maze" / "A");
  WriteFile(dir / "maze" / "Found.txt", "");
  std::string deep = (dir / "maze").string();
  for (int level = 0; level < 30; ++level) deep += "/a";
  EXPECT_EQ(FindIgnoringCase(deep + "/missing.txt"), std::nullopt);
  const std::string shallow = (dir / "maze" / "a" / "A" / "a").string();
  EXPECT_EQ(FindIgnoringCase(shallow + "/found.txt"), shallow + "/Found.txt");
}

TEST(OpenForInput, ReadsTheFieldsOfARegularFile) {
  TempDir dir;
  WriteFile(dir / "options.ini", "Demo Disc\r\nguide\\guide,\"setup, full\"\nlast");
  fs::create_symlink(dir / "options.ini", dir / "link.ini");
  const std::vector<std::string> expected = {"Demo Disc", "guide\\guide", "setup, full", "last"};
  EXPECT_EQ(ReadFields(dir / "options.ini"), expected);
  EXPECT_EQ(ReadFields(dir / "link.ini"), expected);
}

TEST(OpenForInput, DecodesCodePageBytesAndKeepsNulBytes) {
  TempDir dir;
  WriteFile(dir / "cp1252.ini", "Men\xFC \x80 5\r\n");
  WriteFile(dir / "nul.ini", std::string("ti\0tle\r\n\0\0\r\nx", 13));
  EXPECT_EQ(ReadFields(dir / "cp1252.ini"), std::vector<std::string>{"Men\xC3\xBC \xE2\x82\xAC 5"});
  EXPECT_EQ(ReadFields(dir / "nul.ini"),
            (std::vector<std::string>{std::string("ti\0tle", 6), std::string("\0\0", 2), "x"}));
}

TEST(OpenForInput, ReadsTheSameFieldsWhicheverEncodingTheEditorChose) {
  TempDir dir;
  // "Disc Café €" and "café\setup.exe", as each kind of editor saves them.
  const std::vector<std::pair<const char*, std::string>> files = {
      {"code page", "Disc Caf\xE9 \x80\r\ncaf\xE9\\setup.exe\r\n"},
      {"UTF-8", "Disc Caf\xC3\xA9 \xE2\x82\xAC\r\ncaf\xC3\xA9\\setup.exe\r\n"},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" "Disc Caf\xC3\xA9 \xE2\x82\xAC\r\ncaf\xC3\xA9\\setup.exe\r\n"},
      {"UTF-16 LE", std::string("\xFF\xFE" "D\0i\0s\0c\0 \0C\0a\0f\0\xE9\0 \0\xAC\x20\r\0\n\0c\0a\0f\0\xE9\0\\\0s\0e\0t\0u\0p\0."
                                "\0e\0x\0e\0\r\0\n\0", 60)},
      {"UTF-16 BE", std::string("\xFE\xFF\0D\0i\0s\0c\0 \0C\0a\0f\0\xE9\0 \x20\xAC\0\r\0\n\0c\0a\0f\0\xE9\0\\\0s\0e\0t\0u\0p"
                                "\0.\0e\0x\0e\0\r\0\n", 60)},
  };
  const std::vector<std::string> expected = {"Disc Caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9\\setup.exe"};
  for (const auto& [encoding, bytes] : files) {
    WriteFile(dir / "options.ini", bytes);
    EXPECT_EQ(ReadFields(dir / "options.ini"), expected) << encoding;
  }
  // Valid UTF-8 followed by a lone byte: the whole file is the code page.
  WriteFile(dir / "options.ini", "Caf\xC3\xA9 \xE9\r\n");
  EXPECT_EQ(ReadFields(dir / "options.ini"), std::vector<std::string>{"Caf\xC3\x83\xC2\xA9 \xC3\xA9"});
}

TEST(OpenForInput, RefusesWhatIsNotARegularFile) {
  HangGuard guard;
  TempDir dir;
  fs::create_directory(dir / "directory.ini");
  ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "zero.ini");

  const UniqueFd listener(socket(AF_UNIX, SOCK_STREAM, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (dir / "socket.ini").string();
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  for (const char* name : {"missing.ini", "directory.ini", "fifo.ini", "zero.ini", "socket.ini"})
    EXPECT_FALSE(OpenForInput((dir / name).string())) << name;
  EXPECT_FALSE(OpenForInput(""));
  WriteFile(dir / "options.ini", "title");
  EXPECT_FALSE(OpenForInput((dir / "options.ini").string() + std::string("\0.bak", 5)));
}

TEST(OpenForInput, RefusesAFileItMayNotRead) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not stop root";
  TempDir dir;
  WriteFile(dir / "options.ini", "title", fs::perms::none);
  EXPECT_FALSE(OpenForInput((dir / "options.ini").string()));
}

TEST(OpenForInput, ReadsNoFurtherThanItsLimit) {
  TempDir dir;
  std::string lines;
  for (std::size_t i = 0; i < kMaxTextFileBytes / 2; ++i) lines += "x\n";
  WriteFile(dir / "at_limit.ini", lines);
  WriteFile(dir / "past_limit.ini", lines + "y");

  std::vector<std::string> expected(kMaxTextFileBytes / 2, "x");
  EXPECT_EQ(ReadFields(dir / "at_limit.ini"), expected);
  // The kept part ends cleanly, but the file goes on: the next read fails rather than stop early.
  expected.push_back("<error>");
  EXPECT_EQ(ReadFields(dir / "past_limit.ini"), expected);
}

TEST(OpenForInput, AHugeFileWithoutLineEndsGivesAReadError) {
  TempDir dir;
  const fs::path huge = dir / "options.ini";
  WriteFile(huge, "");
  fs::resize_file(huge, 100 * 1024 * 1024);  // sparse: no disk space used
  std::optional<TextInput> input = OpenForInput(huge.string());
  ASSERT_TRUE(input);
  EXPECT_FALSE(input->AtEnd());
  EXPECT_FALSE(input->ReadField());
}

TEST(ChangeDirectory, MakesADirectoryCurrentOrSaysItCannot) {
  KeepCurrentDirectory keep;
  TempDir dir;
  fs::create_directory(dir / "disc");
  WriteFile(dir / "file", "");
  EXPECT_FALSE(ChangeDirectory((dir / "missing").string()));
  EXPECT_FALSE(ChangeDirectory((dir / "file").string()));
  EXPECT_FALSE(ChangeDirectory(""));
  EXPECT_FALSE(ChangeDirectory((dir / "disc").string() + std::string("\0/..", 4)));
  EXPECT_EQ(fs::current_path(), keep.saved());
  EXPECT_TRUE(ChangeDirectory((dir / "disc").string()));
  EXPECT_EQ(fs::current_path(), dir / "disc");
}

TEST(ReadArtFile, ReadsRegularFilesWithinTheLimitOnly) {
  HangGuard guard;
  TempDir dir;
  WriteFile(dir / "picture.bmp", std::string("BM\0picture", 10));
  const ArtFile read = ReadArtFile((dir / "picture.bmp").string());
  EXPECT_EQ(read.state, ArtFile::State::Read);
  EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), std::string("BM\0picture", 10));
  EXPECT_EQ(ReadArtFile((dir / "missing.bmp").string()).state, ArtFile::State::Absent);

  // Refused without a read: a file past the limit (sparse, no disk space used), and whatever is not
  // a regular file, a FIFO without a writer included.
  WriteFile(dir / "huge.bmp", "");
  fs::resize_file(dir / "huge.bmp", kMaxArtFileBytes + 1);
  fs::create_directory(dir / "directory.bmp");
  ASSERT_EQ(mkfifo((dir / "fifo.bmp").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "zero.bmp");
  for (const char* name : {"huge.bmp", "directory.bmp", "fifo.bmp", "zero.bmp"}) {
    const ArtFile refused = ReadArtFile((dir / name).string());
    EXPECT_EQ(refused.state, ArtFile::State::Refused) << name;
    EXPECT_TRUE(refused.bytes.empty()) << name;
    EXPECT_FALSE(refused.fault.empty()) << name;
  }
  EXPECT_NE(ReadArtFile((dir / "picture.bmp").string() + std::string("\0.bak", 5)).state, ArtFile::State::Read);
}

}  // namespace
}  // namespace tarvelin::posix
