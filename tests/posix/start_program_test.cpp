#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "posix_test_support.h"
#include "runtime/linux/files.h"
#include "runtime/linux/posix_system.h"
#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {
namespace {

using namespace testing;

// What a started stand-in wrote about itself.
class Report {
 public:
  explicit Report(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t space = line.find(' ');
      facts_[line.substr(0, space)].push_back(space == std::string::npos ? "" : line.substr(space + 1));
    }
  }
  std::string Get(const std::string& key) const {
    const auto it = facts_.find(key);
    return it == facts_.end() || it->second.empty() ? "<none>" : it->second.front();
  }
  long Number(const std::string& key) const { return std::stol(Get(key)); }
  std::vector<std::string> All(const std::string& key) const {
    const auto it = facts_.find(key);
    return it == facts_.end() ? std::vector<std::string>{} : it->second;
  }
  // The open descriptors, by number, with what each refers to.
  std::map<int, std::string> Descriptors() const {
    std::map<int, std::string> fds;
    for (const std::string& fd : All("fd")) {
      const std::size_t space = fd.find(' ');
      fds[std::stoi(fd.substr(0, space))] = fd.substr(space + 1);
    }
    return fds;
  }

 private:
  std::map<std::string, std::vector<std::string>> facts_;
};

// Whether a command starts, an opener's verdict included.
bool Starts(const std::string& command_line) {
  ProgramStart start = StartProgram(command_line);
  return start.result.Started() && (!start.verdict || start.verdict->Read());
}

// The states of this process's children, one letter each ('Z' for a zombie).
std::vector<char> ChildStates() {
  std::vector<char> states;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = ReadFile(entry.path() / "stat");
    const std::size_t name_end = stat.rfind(')');
    if (name_end == std::string::npos) continue;  // gone meanwhile
    char state = 0;
    long parent = 0;
    std::istringstream(stat.substr(name_end + 1)) >> state >> parent;
    if (parent == getpid()) states.push_back(state);
  }
  return states;
}

class StartProgramTest : public ::testing::Test {
 protected:
  // Puts a copy of the stand-in program at |relative| inside the temporary directory.
  void InstallStandIn(const std::string& relative) {
    const fs::path target = dir / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(TARVELIN_STANDIN, target);
    fs::permissions(target, fs::perms(0755));
  }

  // Starts |command_line| with the report going to |name| in the temporary directory, and waits
  // for the report.
  std::optional<Report> StartAndReport(const std::string& command_line, const std::string& name = "report") {
    const fs::path path = dir / name;
    ScopedEnv report("TARVELIN_STANDIN_REPORT", path.string());
    if (!Starts(command_line)) {
      ADD_FAILURE() << "did not start: " << command_line;
      return std::nullopt;
    }
    if (!WaitForFile(path)) {
      ADD_FAILURE() << "started but never reported: " << command_line;
      return std::nullopt;
    }
    return Report(ReadFile(path));
  }

  KeepCurrentDirectory keep_directory;
  TempDir dir;
};

TEST_F(StartProgramTest, RelativePathsResolveAgainstTheCurrentDirectory) {
  InstallStandIn("my tools/standin");
  InstallStandIn("tools/standin");
  fs::current_path("/");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));

  const std::optional<Report> quoted = StartAndReport(R"("my tools\standin" first)", "quoted");
  ASSERT_TRUE(quoted);
  EXPECT_EQ(quoted->All("arg"), (std::vector<std::string>{"my tools/standin", "first"}));
  EXPECT_EQ(quoted->Get("cwd"), dir.path().string());
  EXPECT_EQ(quoted->Get("exedir"), (dir / "my tools").string());

  const std::optional<Report> plain = StartAndReport(R"(tools\standin)", "plain");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->All("arg"), std::vector<std::string>{"tools/standin"});
  EXPECT_EQ(plain->Get("exedir"), (dir / "tools").string());
}

TEST_F(StartProgramTest, ArgumentsArriveAsWrittenWithNoShellInBetween) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  const std::optional<Report> report = StartAndReport(
      R"(tools\standin plain "two words" $HOME ; | `touch tick` * > out.txt $(touch dollar) & a\b "c\"d" "" 'q r')");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->All("arg"),
            (std::vector<std::string>{"tools/standin", "plain", "two words", "$HOME", ";", "|", "`touch", "tick`", "*",
                                      ">", "out.txt", "$(touch", "dollar)", "&", R"(a\b)", R"(c"d)", "", "'q", "r'"}));
  for (const char* name : {"out.txt", "tick`", "tick", "dollar)", "dollar"}) EXPECT_FALSE(fs::exists(dir / name)) << name;
}

TEST_F(StartProgramTest, ProgramRunsInItsOwnSessionWithDefaultSignals) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  // The menu's own signal settings must not reach the program.
  sigset_t blocked, previous_mask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previous_mask), 0);
  struct sigaction ignore {}, handle {}, previous_usr2 {}, previous_term {};
  ignore.sa_handler = SIG_IGN;
  handle.sa_handler = [](int) {};
  sigaction(SIGUSR2, &ignore, &previous_usr2);
  sigaction(SIGTERM, &handle, &previous_term);

  const std::optional<Report> report = StartAndReport(R"(tools\standin)");

  pthread_sigmask(SIG_SETMASK, &previous_mask, nullptr);
  sigaction(SIGUSR2, &previous_usr2, nullptr);
  sigaction(SIGTERM, &previous_term, nullptr);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->Number("sid"), report->Number("pid"));
  EXPECT_EQ(report->Number("pgid"), report->Number("pid"));
  EXPECT_NE(report->Number("sid"), getsid(0));
  EXPECT_EQ(report->Get("sigblk"), "0000000000000000");
  EXPECT_EQ(report->Get("sigign"), "0000000000000000");
}

TEST_F(StartProgramTest, ProgramGetsNoneOfTheMenusDescriptors) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  WriteFile(dir / "secret", "menu data");
  const UniqueFd inherited_file(open((dir / "secret").c_str(), O_RDONLY));
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  const UniqueFd pipe_read(pipe_ends[0]), pipe_write(pipe_ends[1]);
  ASSERT_TRUE(inherited_file);

  const std::optional<Report> report = StartAndReport(R"(tools\standin)");
  ASSERT_TRUE(report);
  const std::map<int, std::string> fds = report->Descriptors();
  EXPECT_EQ(fds.size(), 3u) << ReadFile(dir / "report");
  EXPECT_EQ(fds.count(0) + fds.count(1) + fds.count(2), 3u);
  EXPECT_EQ(fds.at(0), "/dev/null");
}

TEST_F(StartProgramTest, ClosedStandardStreamsBecomeTheNullDevice) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  ScopedEnv report("TARVELIN_STANDIN_REPORT", (dir / "report").string());
  const UniqueFd saved_output(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 10));
  ASSERT_TRUE(saved_output);
  close(STDOUT_FILENO);
  const bool started = Starts(R"(tools\standin)");
  dup2(saved_output.get(), STDOUT_FILENO);

  ASSERT_TRUE(started);
  ASSERT_TRUE(WaitForFile(dir / "report"));
  const std::map<int, std::string> fds = Report(ReadFile(dir / "report")).Descriptors();
  ASSERT_TRUE(fds.contains(1));
  EXPECT_EQ(fds.at(1), "/dev/null");
}

TEST_F(StartProgramTest, ProgramOutlivesTheMenusProcessGroup) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  ScopedEnv report("TARVELIN_STANDIN_REPORT", (dir / "report").string());
  ScopedEnv hold("TARVELIN_STANDIN_HOLD", (dir / "go").string());

  // A stand-in for the menu, in a process group of its own as a shell would start it.
  const pid_t menu = fork();
  ASSERT_GE(menu, 0);
  if (menu == 0) {
    setpgid(0, 0);
    if (!Starts(R"(tools\standin)")) _exit(1);
    for (;;) pause();
  }
  setpgid(menu, menu);
  const bool reported = WaitForFile(dir / "report");
  kill(-menu, SIGKILL);
  waitpid(menu, nullptr, 0);
  ASSERT_TRUE(reported);

  const pid_t program = static_cast<pid_t>(Report(ReadFile(dir / "report")).Number("pid"));
  EXPECT_EQ(kill(program, 0), 0);
  WriteFile(dir / "go", "");
  EXPECT_TRUE(WaitForFile(dir / "go.released"));
}

TEST_F(StartProgramTest, ManyStartsLeaveNoZombies) {
  InstallStandIn("tools/standin");
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  ScopedEnv tally("TARVELIN_STANDIN_TALLY", (dir / "tally").string());
  constexpr int kStarts = 200;
  int started = 0;
  for (int i = 0; i < kStarts; ++i) {
    started += Starts(R"(tools\standin)");
    EXPECT_FALSE(Starts(R"(tools\missing)"));
  }
  EXPECT_EQ(started, kStarts);

  const auto count_lines = [&] {
    const std::string text = ReadFile(dir / "tally");
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  };
  EXPECT_TRUE(WaitUntil([&] { return count_lines() == kStarts; })) << count_lines() << " ran";
  // Every program has run; any child of ours still about is either on its way out or a zombie.
  WaitUntil([] {
    const std::vector<char> states = ChildStates();
    return std::all_of(states.begin(), states.end(), [](char state) { return state == 'Z'; });
  });
  EXPECT_EQ(ChildStates().size(), 0u);
}

TEST_F(StartProgramTest, BareNamesBesideTheMenuComeFirstThenPath) {
  InstallStandIn("path dir/tarvelin-standin");
  InstallStandIn("path dir/setup");
  InstallStandIn("setup");
  fs::create_directory(dir / "shadow");
  WriteFile(dir / "shadow" / "tarvelin-standin", "#!/bin/sh\n", fs::perms(0644));
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));

  // A file of the name that cannot run does not hide the one later in PATH.
  ScopedEnv path("PATH", (dir / "shadow").string() + ":" + (dir / "path dir").string());
  const std::optional<Report> from_path = StartAndReport("tarvelin-standin a", "from-path");
  ASSERT_TRUE(from_path);
  EXPECT_EQ(from_path->All("arg"), (std::vector<std::string>{"tarvelin-standin", "a"}));
  EXPECT_EQ(from_path->Get("exedir"), (dir / "path dir").string());

  // The program beside the menu runs with its arguments, not the one of that name in PATH.
  const std::optional<Report> beside = StartAndReport("setup /silent", "beside");
  ASSERT_TRUE(beside);
  EXPECT_EQ(beside->All("arg"), (std::vector<std::string>{"setup", "/silent"}));
  EXPECT_EQ(beside->Get("exedir"), dir.path().string());
}

TEST_F(StartProgramTest, ProgramsInFoldersWithSpacesStartWithTheirArguments) {
  InstallStandIn("Tools 2/standin");
  InstallStandIn("Tools 2/sub dir/standin");
  // Decoys named like the first word, beside the menu as a folder and in PATH as a program.
  fs::create_directories(dir / "Tools");
  InstallStandIn("path dir/Tools");
  ScopedEnv path("PATH", (dir / "path dir").string());
  ASSERT_TRUE(ChangeDirectory(dir.path().string()));

  const std::optional<Report> report = StartAndReport(R"(Tools 2\standin /quiet "a b" c)", "spaces");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->All("arg"), (std::vector<std::string>{"Tools 2/standin", "/quiet", "a b", "c"}));
  EXPECT_EQ(report->Get("exedir"), (dir / "Tools 2").string());

  const std::optional<Report> deeper = StartAndReport(R"(Tools 2\sub dir\standin x)", "deeper");
  ASSERT_TRUE(deeper);
  EXPECT_EQ(deeper->All("arg"), (std::vector<std::string>{"Tools 2/sub dir/standin", "x"}));

  // The shortest name that is a file wins, as on Windows, even where a longer one is a file too.
  InstallStandIn("Tools 2/sub");
  const std::optional<Report> shortest = StartAndReport(R"(Tools 2\sub dir\standin x)", "shortest");
  ASSERT_TRUE(shortest);
  EXPECT_EQ(shortest->All("arg"), (std::vector<std::string>{"Tools 2/sub", R"(dir\standin)", "x"}));

  // With the program missing from the medium, the first word is all there is to look for.
  fs::remove_all(dir / "Tools 2");
  const std::optional<Report> decoy = StartAndReport(R"(Tools 2\standin /quiet)", "decoy");
  ASSERT_TRUE(decoy);
  EXPECT_EQ(decoy->Get("exedir"), (dir / "path dir").string());
}

// Documents, folders and links open with the desktop's application; a stand-in xdg-open first in
// PATH records what it was given and ends with the status the test asks for.
class OpenWithDesktopTest : public StartProgramTest {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "bin");
    WriteFile(dir / "bin" / "xdg-open",
              "#!/bin/sh\nprintf '%s\\n' \"$*\" >>\"$OPENED\"\nexit \"${OPENER_STATUS:-0}\"\n", fs::perms(0755));
    ASSERT_TRUE(ChangeDirectory(dir.path().string()));
  }
  std::vector<std::string> Opened() {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(dir / "opened"));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  ScopedEnv path{"PATH", (dir / "bin").string()};
  ScopedEnv opened{"OPENED", (dir / "opened").string()};
};

TEST_F(OpenWithDesktopTest, DocumentsFoldersAndLinksOpenWithTheirApplication) {
  fs::create_directories(dir / "docs" / "manual");
  WriteFile(dir / "docs" / "guide.pdf", "%PDF-1.4\n");
  WriteFile(dir / "readme.html", "<html></html>");
  WriteFile(dir / "docs" / "install.sh", "echo hi\n", fs::perms(0755));  // no #!, so no program

  EXPECT_TRUE(Starts(R"(docs\guide.pdf)"));
  EXPECT_TRUE(Starts(R"(docs\manual)"));
  EXPECT_TRUE(Starts("readme.html"));
  EXPECT_TRUE(Starts(R"(docs\install.sh)"));
  EXPECT_TRUE(Starts("https://example.org/get?a=1&b=2"));
  EXPECT_TRUE(Starts("MAILTO:help@example.org"));
  const std::string root = dir.path().string();
  EXPECT_EQ(Opened(), (std::vector<std::string>{root + "/docs/guide.pdf", root + "/docs/manual", root + "/readme.html",
                                                root + "/docs/install.sh", "https://example.org/get?a=1&b=2",
                                                "MAILTO:help@example.org"}));
}

// What the system cannot start as a program goes to the opener, as a double-click hands it to the
// desktop: a folder, also written with a trailing separator, a script without an execute bit, and a
// file with an execute bit that is no program (a script without "#!"), which no shell runs.
TEST_F(OpenWithDesktopTest, FoldersAndFilesThatCannotRunGoToTheOpener) {
  fs::create_directories(dir / "tools");
  WriteFile(dir / "noexec", "#!/bin/sh\ntouch ran\n", fs::perms(0644));
  WriteFile(dir / "noshebang", "touch ran\n", fs::perms(0755));

  EXPECT_TRUE(Starts(R"(.\tools)"));
  EXPECT_TRUE(Starts(R"(tools\)"));
  EXPECT_TRUE(Starts(R"(.\noexec)"));
  EXPECT_TRUE(Starts(R"(.\noshebang)"));
  const std::string root = dir.path().string();
  EXPECT_EQ(Opened(),
            (std::vector<std::string>{root + "/tools", root + "/tools", root + "/noexec", root + "/noshebang"}));
  EXPECT_FALSE(fs::exists(dir / "ran")) << "a script that cannot run as a program was run by a shell";
}

// Every other kind of failure fails with the opener there to take a document: nothing reaches it.
TEST_F(OpenWithDesktopTest, EveryKindOfFailureIsReported) {
  InstallStandIn("tools/standin");
  fs::create_directories(dir / "path dir" / "adirectory");
  WriteFile(dir / "random.bin", std::string("\x7f\x45\x4c\x46\x01\xfe\x00\x13\x37garbage", 17), fs::perms(0755));
  WriteFile(dir / "crlf.sh", "#!/bin/sh\r\ntouch ran\r\n", fs::perms(0755));
  ScopedEnv search_path("PATH", (dir / "path dir").string() + ":" + (dir / "bin").string());

  const std::vector<std::pair<const char*, std::string>> failures = {
      {"missing file", R"(nothere\prog arg)"},
      {"missing bare name", "tarvelin-no-such-program"},
      {"directory found by name", "adirectory"},
      {"not a program", R"(.\random.bin)"},
      {"script whose interpreter is missing", R"(.\crlf.sh)"},
      {"empty", ""},
      {"blank", " \t "},
      {"quoted empty name", R"("" tools\standin)"},
      {"NUL byte", std::string("tools\\standin\0 x", 16)},
  };
  for (const auto& [kind, command_line] : failures) EXPECT_FALSE(Starts(command_line)) << kind;
  EXPECT_EQ(Opened(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(dir / "ran")) << "a script that cannot run was run by a shell";
}

TEST_F(OpenWithDesktopTest, DocumentsWithSpacesInTheirNamesOpen) {
  fs::create_directories(dir / "user docs");
  WriteFile(dir / "user docs" / "read me.pdf", "%PDF-1.4\n");
  WriteFile(dir / "bin" / "user", "#!/bin/sh\ntouch \"$OPENED.decoy\"\n", fs::perms(0755));
  EXPECT_TRUE(Starts(R"(user docs\read me.pdf)"));
  EXPECT_EQ(Opened(), std::vector<std::string>{dir.path().string() + "/user docs/read me.pdf"});
  EXPECT_FALSE(fs::exists(dir / "opened.decoy"));
}

// The body of an opener that waits for the test to let it go (for half a minute at most), then
// refuses.
constexpr const char* kHeldOpener =
    "i=0\nwhile [ ! -e \"$OPENED.go\" ] && [ $i -lt 3000 ]; do /bin/sleep 0.01; i=$((i + 1)); done\n"
    ": >\"$OPENED.done\"\nexit 4\n";

TEST_F(OpenWithDesktopTest, TheVerdictComesWhileTheCallerGoesOn) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  // An opener that takes its time: it waits for the test to let it go, then refuses.
  WriteFile(dir / "bin" / "xdg-open",
            std::string("#!/bin/sh\n: >\"$OPENED.running\"\n") + kHeldOpener,
            fs::perms(0755));
  ProgramStart start = StartProgram("guide.pdf");
  ASSERT_TRUE(start.result.Started());
  ASSERT_TRUE(start.verdict);
  ASSERT_TRUE(WaitForFile(dir / "opened.running"));
  pollfd verdict{start.verdict->Descriptor(), POLLIN, 0};
  EXPECT_EQ(poll(&verdict, 1, 0), 0) << "the verdict is in before the opener has decided";
  WriteFile(dir / "opened.go", "");
  EXPECT_FALSE(start.verdict->Read());
}

// The menu's folder is on a medium that its user may want to take out the moment the menu has
// closed, while an opener still decides: no process left by the start may hold that folder.
TEST_F(OpenWithDesktopTest, WhileTheOpenerDecidesNoProcessOfTheStartHoldsTheMenusFolder) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  WriteFile(dir / "bin" / "xdg-open", std::string("#!/bin/sh\n: >\"$OPENED.running\"\n") + kHeldOpener,
            fs::perms(0755));
  ProgramStart start = StartProgram("guide.pdf");
  ASSERT_TRUE(start.verdict);
  ASSERT_TRUE(WaitForFile(dir / "opened.running"));
  std::vector<std::string> folders;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    std::error_code gone;
    const std::string stat = ReadFile(entry.path() / "stat");
    const std::size_t name_end = stat.rfind(')');
    if (name_end == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    std::istringstream(stat.substr(name_end + 1)) >> state >> parent;
    if (parent == getpid()) folders.push_back(fs::read_symlink(entry.path() / "cwd", gone).string());
  }
  WriteFile(dir / "opened.go", "");
  EXPECT_FALSE(start.verdict->Read());
  EXPECT_EQ(folders, std::vector<std::string>{"/"}) << "the opener alone runs for the start, from the root";
}

TEST_F(OpenWithDesktopTest, VerdictsComeAlsoWhenChildrenAreIgnored) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGCHLD, &ignore, &previous);
  const bool taken = Starts("guide.pdf");
  bool refused;
  {
    ScopedEnv refuse("OPENER_STATUS", "4");
    refused = !Starts("guide.pdf");
  }
  sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_TRUE(taken);
  EXPECT_TRUE(refused);
  EXPECT_EQ(Opened().size(), 2u);
}

TEST_F(OpenWithDesktopTest, WatcherReportsEachVerdictOnceAndNothingAfterStopping) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  std::mutex mutex;
  std::vector<bool> verdicts;
  {
    VerdictWatcher watcher;
    std::string why;
    ASSERT_TRUE(watcher.Start(why)) << why;
    const auto record = [&](bool taken, const std::string&) {
      std::lock_guard<std::mutex> lock(mutex);
      verdicts.push_back(taken);
    };
    ProgramStart taken = StartProgram("guide.pdf");
    ASSERT_TRUE(taken.verdict);
    watcher.Watch(std::move(*taken.verdict), record);
    {
      ScopedEnv refuse("OPENER_STATUS", "4");
      ProgramStart refused = StartProgram("guide.pdf");
      ASSERT_TRUE(refused.verdict);
      watcher.Watch(std::move(*refused.verdict), record);
    }
    EXPECT_TRUE(WaitUntil([&] {
      std::lock_guard<std::mutex> lock(mutex);
      return verdicts.size() == 2;
    }));
    // One still to come when the watching stops.
    WriteFile(dir / "bin" / "xdg-open", std::string("#!/bin/sh\n") + kHeldOpener, fs::perms(0755));
    ProgramStart pending = StartProgram("guide.pdf");
    ASSERT_TRUE(pending.verdict);
    watcher.Watch(std::move(*pending.verdict), record);
    watcher.Stop();
    WriteFile(dir / "opened.go", "");
    EXPECT_TRUE(WaitForFile(dir / "opened.done"));
  }
  std::lock_guard<std::mutex> lock(mutex);
  std::sort(verdicts.begin(), verdicts.end());
  EXPECT_EQ(verdicts, (std::vector<bool>{false, true}));
}

// The menu's Shell: with no one to post the opener's verdict to it waits for it and answers with
// it; with a poster, it answers at once that the start happened and posts a refusal with the
// command, so that the menu can say later that the command could not be found.
TEST_F(OpenWithDesktopTest, ShellWaitsForTheVerdictUnlessItIsPosted) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  ScopedEnv refuse("OPENER_STATUS", "4");
  PosixSystem system(ApplicationDirectory::Find("tarvelin"));
  EXPECT_FALSE(system.Shell("guide.pdf"));

  std::mutex mutex;
  std::vector<std::pair<InputEvent::Type, std::string>> posted;
  system.PostLateFailuresThrough([&](InputEvent event) {
    std::lock_guard<std::mutex> lock(mutex);
    posted.emplace_back(event.type, event.command);
  });
  EXPECT_TRUE(system.Shell("guide.pdf"));
  EXPECT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> lock(mutex);
    return !posted.empty();
  }));
  EXPECT_FALSE(system.Shell("missing.pdf"));
  system.PostLateFailuresThrough(nullptr);
  EXPECT_EQ(posted, (std::vector<std::pair<InputEvent::Type, std::string>>{
                        {InputEvent::Type::StartFailed, "guide.pdf"}}))
      << "nothing to post when nothing started";
  EXPECT_EQ(Opened().size(), 2u);
}

// A verdict moved on takes its opener with it: the one left behind must neither reap the opener
// nor wait for it, or the verdict moved on would lose the opener's answer.
TEST_F(OpenWithDesktopTest, AVerdictMovedOnKeepsTheOpenersAnswer) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  ScopedEnv refuse("OPENER_STATUS", "4");
  ProgramStart start = StartProgram("guide.pdf");
  ASSERT_TRUE(start.verdict);
  OpenerVerdict moved = std::move(*start.verdict);
  // Once the opener has ended, a reap would take its status.
  pollfd ended{moved.Descriptor(), POLLIN, 0};
  if (ended.fd >= 0) {
    ASSERT_EQ(poll(&ended, 1, 5000), 1);
  } else {
    usleep(500'000);
  }
  start.verdict->Reap();
  EXPECT_FALSE(moved.Read()) << "the refusal was lost to the verdict moved from";
}

TEST_F(OpenWithDesktopTest, MissingFilesAndRefusingOpenersStillFail) {
  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  EXPECT_FALSE(Starts(R"(docs\missing.pdf)"));
  EXPECT_FALSE(Starts("missing.pdf"));
  EXPECT_FALSE(Starts(""));
  EXPECT_FALSE(Starts("ftp://example.org/file"));  // not a link the menu opens
  {
    ScopedEnv refuse("OPENER_STATUS", "4");
    EXPECT_FALSE(Starts("guide.pdf"));
    EXPECT_FALSE(Starts("https://example.org/"));
  }
  {
    ScopedEnv no_opener("PATH", (dir / "nowhere").string());
    EXPECT_FALSE(Starts("guide.pdf"));
  }
  EXPECT_EQ(Opened().size(), 2u) << "only the refusing opener's two calls were made";
}

}  // namespace
}  // namespace tarvelin::posix
