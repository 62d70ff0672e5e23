// The application directory held from start-up, and standard streams that are never left closed.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "posix_test_support.h"
#include "runtime/posix/posix_services.h"

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

  KeepCurrentDirectory keep_directory;
  TempDir dir;
};

TEST_F(ApplicationDirectoryTest, IsTheExecutablesDirectoryAsTheSystemNamesIt) {
  fs::create_directories(dir / "disc");
  fs::create_symlink(dir / "disc" / "tarvelin", dir / "exe-link");
  const ApplicationDirectory found = ApplicationDirectory::Find("/elsewhere/tarvelin", (dir / "exe-link").c_str());
  EXPECT_EQ(found.Path(), (dir / "disc").string());
  EXPECT_EQ(found.Problem(), "");
}

TEST_F(ApplicationDirectoryTest, WithoutTheSystemsNameTheStartPathServesAndNeverTheRoot) {
  const std::string missing_link = (dir / "no-proc" / "exe").string();
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
  fs::create_symlink(dir / "disc" / "tarvelin", dir / "link");
  const ApplicationDirectory medium = ApplicationDirectory::Find("", (dir / "link").c_str());
  fs::current_path(dir / "elsewhere");

  // The medium's path leads somewhere else now: the held directory is still the medium.
  fs::rename(dir / "disc", dir / "pulled");
  fs::create_directories(dir / "disc");
  ASSERT_TRUE(medium.MakeCurrent());
  EXPECT_TRUE(StartProgram(R"(tools\setup)").started);
  ASSERT_TRUE(WaitUntil([&] { return !Ran().empty(); }));
  EXPECT_EQ(Ran(), "medium\n");

  // Its files are gone: the command fails rather than run what the name means elsewhere.
  fs::current_path(dir / "elsewhere");
  fs::remove_all(dir / "pulled");
  ASSERT_TRUE(medium.MakeCurrent());
  EXPECT_FALSE(StartProgram(R"(tools\gone)").started);
  EXPECT_EQ(Ran(), "medium\n");
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
