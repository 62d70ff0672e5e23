// The application directory held from start-up, and standard streams that are never left closed.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "posix_test_support.h"
#include "runtime/linux/posix_system.h"
#include "runtime/linux/program_file.h"

namespace tarvelin::posix {
namespace {

using namespace testing;

class ApplicationDirectoryTest : public ::testing::Test {
 protected:
  void InstallProgram(const std::string& relative, const std::string& line) {
    fs::create_directories((dir / relative).parent_path());
    WriteFile(dir / relative, "#!/bin/sh\necho " + line + " >>\"" + (dir / "ran").string() + "\"\n", fs::perms(0755));
  }
  std::string Ran() { return fs::exists(dir / "ran") ? ReadFile(dir / "ran") : ""; }
  // A maps file as the kernel writes it for a program started through the dynamic loader: the
  // loader is the process's executable and comes first; |program| holds the code being run.
  fs::path MapsNaming(const std::string& program) {
    const auto code = reinterpret_cast<std::uintptr_t>(&ExecutableDirectory);
    char lines[512];
    std::snprintf(lines, sizeof lines,
                  "%llx-%llx r-xp 00000000 08:01 11 /usr/lib/x86_64-linux-gnu/ld-linux-x86-64.so.2\n"
                  "%llx-%llx r-xp 00001000 00:2a 12                         %s\n",
                  static_cast<unsigned long long>(code - 0x2000), static_cast<unsigned long long>(code - 0x1000),
                  static_cast<unsigned long long>(code - 0x1000), static_cast<unsigned long long>(code + 0x1000),
                  program.c_str());
    const fs::path maps = dir / ("maps-" + std::to_string(++maps_written_));
    WriteFile(maps, lines);
    return maps;
  }

  KeepCurrentDirectory keep_directory;
  TempDir dir;

 private:
  int maps_written_ = 0;
};

TEST_F(ApplicationDirectoryTest, IsTheProgramFilesDirectoryAsTheSystemNamesItNotTheLoaders) {
  fs::create_directories(dir / "disc");
  const ApplicationDirectory found =
      ApplicationDirectory::Find("/elsewhere/tarvelin", MapsNaming((dir / "disc" / "tarvelin").string()).c_str());
  EXPECT_EQ(found.Path(), (dir / "disc").string());
  EXPECT_EQ(found.Problem(), "");

  // A medium's label may hold blanks, and the kernel writes a line end in a name as \012.
  fs::create_directories(dir / "My Disc\n2");
  const std::string escaped = (dir / "My Disc\\0122" / "tarvelin").string();
  EXPECT_EQ(ApplicationDirectory::Find("", MapsNaming(escaped).c_str()).Path(), (dir / "My Disc\n2").string());
}

TEST_F(ApplicationDirectoryTest, WithoutTheSystemsNameTheStartPathServesAndNeverTheRoot) {
  const std::string missing_link = (dir / "no-proc" / "maps").string();
  fs::create_directories(dir / "disc");
  WriteFile(dir / "disc" / "tarvelin", "", fs::perms(0755));

  const ApplicationDirectory absolute = ApplicationDirectory::Find((dir / "disc" / "tarvelin").c_str(), missing_link.c_str());
  EXPECT_EQ(absolute.Path(), (dir / "disc").string());
  EXPECT_NE(absolute.Problem().find(missing_link), std::string::npos) << absolute.Problem();

  fs::current_path(dir.path());
  const ApplicationDirectory relative = ApplicationDirectory::Find("disc/tarvelin", missing_link.c_str());
  ASSERT_TRUE(relative.MakeCurrent());
  EXPECT_EQ(fs::current_path(), dir / "disc");

  {
    ScopedEnv path("PATH", (dir / "disc").string());
    fs::current_path("/");
    const ApplicationDirectory bare = ApplicationDirectory::Find("tarvelin", missing_link.c_str());
    EXPECT_EQ(bare.Path(), (dir / "disc").string());
  }
  fs::current_path(dir.path());
  const ApplicationDirectory unknown = ApplicationDirectory::Find("", missing_link.c_str());
  EXPECT_NE(unknown.Path(), "/");
  ASSERT_TRUE(unknown.MakeCurrent());
  EXPECT_EQ(fs::current_path(), dir.path());
  EXPECT_FALSE(unknown.Problem().empty());
}

TEST_F(ApplicationDirectoryTest, CommandsResolveInTheHeldDirectoryAfterItsPathIsGone) {
  InstallProgram("disc/tools/setup", "medium");
  // What the same relative commands name outside the medium.
  InstallProgram("elsewhere/tools/setup", "elsewhere");
  InstallProgram("elsewhere/tools/gone", "elsewhere");
  const ApplicationDirectory medium =
      ApplicationDirectory::Find("", MapsNaming((dir / "disc" / "tarvelin").string()).c_str());
  fs::current_path(dir / "elsewhere");

  // The medium's path leads somewhere else now: the held directory is still the medium.
  fs::rename(dir / "disc", dir / "pulled");
  fs::create_directories(dir / "disc");
  ASSERT_TRUE(medium.MakeCurrent());
  EXPECT_TRUE(StartProgram(R"(tools\setup)").result.Started());
  ASSERT_TRUE(WaitUntil([&] { return !Ran().empty(); }));
  EXPECT_EQ(Ran(), "medium\n");

  // Its files are gone: the command fails rather than run what the name means elsewhere.
  fs::current_path(dir / "elsewhere");
  fs::remove_all(dir / "pulled");
  ASSERT_TRUE(medium.MakeCurrent());
  EXPECT_FALSE(StartProgram(R"(tools\gone)").result.Started());
  EXPECT_EQ(Ran(), "medium\n");
}

// A medium whose files carry no execute bits runs the menu through the dynamic loader, which is
// then the process's executable: the program's folder is still its own.
TEST(ExecutableDirectory, IsTheProgramsAlsoWhenTheDynamicLoaderStartedIt) {
  TempDir dir;
  const std::string loader = InspectProgramFile(TARVELIN_STANDIN).loader;
  ASSERT_FALSE(loader.empty()) << TARVELIN_STANDIN << " names no dynamic loader";
  const std::string report = (dir / "report").string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("TARVELIN_STANDIN_REPORT", report.c_str(), 1);
    execl(loader.c_str(), loader.c_str(), TARVELIN_STANDIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string text = ReadFile(report);
  const std::string directory = fs::path(TARVELIN_STANDIN).parent_path().string();
  EXPECT_NE(text.find("\nexedir " + directory + "\n"), std::string::npos) << text;
}

TEST(FillStandardStreams, ClosedStreamsBecomeTheNullDeviceAndOpenOnesStay) {
  TempDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int kept = open((dir / "kept").c_str(), O_WRONLY | O_CREAT, 0644);
    if (kept != STDIN_FILENO) {
      dup2(kept, STDIN_FILENO);
      close(kept);
    }
    close(STDOUT_FILENO);
    close(STDERR_FILENO);
    FillStandardStreams();
    // The next file opened gets a number above the three.
    const int next = open((dir / "next").c_str(), O_WRONLY | O_CREAT, 0644);
    char target[3][256] = {};
    for (int fd = 0; fd < 3; ++fd)
      if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target[fd], sizeof target[fd] - 1) < 0) _exit(2);
    const bool right = std::string(target[0]) == (dir / "kept").string() && std::string(target[1]) == "/dev/null" &&
                       std::string(target[2]) == "/dev/null" && next > STDERR_FILENO;
    _exit(right ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace tarvelin::posix
