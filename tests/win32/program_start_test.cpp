#include "runtime/win32/program_start.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/command_line.h"

using namespace tarvelin;

namespace {

// The system as a script: what each way of starting returns, and what was asked of it.
class FakeStarter final : public ProgramStarter {
 public:
  DWORD process_result = ERROR_SUCCESS;
  DWORD shell_result = ERROR_SUCCESS;
  std::vector<std::string> processes;
  std::vector<std::string> applications;  // the full path each process was given, or ""
  std::vector<ProgramAndArguments> shell_starts;
  std::vector<std::string> existing;   // files and folders there are, in the current directory
  std::vector<std::string> on_medium;  // files there are in the application directory D:\Disc

  DWORD StartProcess(const std::string& application, const std::string& command_line) override {
    applications.push_back(application);
    processes.push_back(command_line);
    return process_result;
  }
  DWORD StartThroughShell(const ProgramAndArguments& command) override {
    shell_starts.push_back(command);
    return shell_result;
  }
  std::string ExistingFullPath(const std::string& name) override {
    if (std::find(existing.begin(), existing.end(), name) == existing.end()) return {};
    return "D:\\Disc\\" + name;
  }
  std::string FileOnMedium(const std::string& name) override {
    if (std::find(on_medium.begin(), on_medium.end(), name) == on_medium.end()) return {};
    return "D:\\Disc\\" + name;
  }
};

void ExpectSplit(std::string_view line, std::string_view program, std::string_view arguments) {
  const ProgramCandidate split = ProgramName(line);
  EXPECT_EQ(split.program, program);
  EXPECT_EQ(split.arguments, arguments);
}

using Outcome = StartResult::Outcome;

Outcome Start(std::string_view command_line, FakeStarter& starter) {
  WindowsCommands system(starter);
  return StartCommand(command_line, system).outcome;
}

}  // namespace

TEST(ProgramName, FindsTheProgramAsWindowsDoes) {
  ExpectSplit("guide\\guide.exe", "guide\\guide.exe", "");
  ExpectSplit("websrv\\setup.exe /S /D=C:\\Web", "websrv\\setup.exe", "/S /D=C:\\Web");
  ExpectSplit("\"Program Files\\My Tool\\tool.exe\" -x \"a b\"", "Program Files\\My Tool\\tool.exe", "-x \"a b\"");
  ExpectSplit("setup.exe\t\t--quiet", "setup.exe", "--quiet");
  ExpectSplit("   setup.exe  a  b ", "setup.exe", "a  b ");
}

TEST(ProgramName, QuotedProgramEndsAtItsClosingQuote) {
  ExpectSplit("\"a b\"c d", "a b", "c d");
  ExpectSplit("\"never closed.exe arg", "never closed.exe arg", "");
  ExpectSplit("\"\" x", "", "x");
}

TEST(ProgramName, BlankLineHasNoProgram) {
  ExpectSplit("", "", "");
  ExpectSplit(" \t ", "", "");
}

TEST(StartCommand, StartsTheWholeCommandLineWithCreateProcess) {
  FakeStarter system;
  EXPECT_EQ(Start("tools\\setup.exe /S", system), Outcome::Started);
  ASSERT_EQ(system.processes.size(), 1u);
  EXPECT_EQ(system.processes[0], "tools\\setup.exe /S");
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, BlankCommandStartsNothingAndFails) {
  FakeStarter system;
  EXPECT_EQ(Start("", system), Outcome::Failed);
  EXPECT_EQ(Start("  ", system), Outcome::Failed);
  EXPECT_TRUE(system.processes.empty());
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, CommandWithANulStartsNothingAndFails) {
  FakeStarter system;
  using namespace std::string_view_literals;
  EXPECT_EQ(Start("tools\\setup.exe\0 /S"sv, system), Outcome::Failed);
  EXPECT_EQ(Start("http://example.org/\0x"sv, system), Outcome::Failed);
  EXPECT_TRUE(system.processes.empty());
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, MissingProgramFailsWithoutAskingTheShell) {
  FakeStarter system;
  for (const DWORD error : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_PATH_NOT_FOUND}, DWORD{ERROR_BAD_EXE_FORMAT},
                            DWORD{ERROR_ACCESS_DENIED}}) {
    system.process_result = error;
    EXPECT_EQ(Start("missing.exe", system), Outcome::Failed) << error;
  }
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, ProgramNeedingAdministratorRightsIsStartedThroughTheShell) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  EXPECT_EQ(Start("\"server setup\\setup.exe\" /install now", system), Outcome::Started);
  ASSERT_EQ(system.shell_starts.size(), 1u);
  EXPECT_EQ(system.shell_starts[0].program, "server setup\\setup.exe");
  EXPECT_EQ(system.shell_starts[0].arguments, "/install now");
}

TEST(StartCommand, DeclinedConsentIsNotAFailure) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  system.shell_result = ERROR_CANCELLED;
  EXPECT_EQ(Start("setup.exe", system), Outcome::Declined);
}

TEST(StartCommand, ShellFailureAfterElevationIsAFailure) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  system.shell_result = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(Start("setup.exe", system), Outcome::Failed);
}

TEST(StartCommand, ExistingFileThatIsNoProgramOpensThroughTheShell) {
  // A document (no program at all), a folder (access denied), a file without extension (CreateProcess
  // looks for it with .exe appended and does not find that).
  const struct {
    const char* command;
    DWORD error;
    const char* program;
    const char* arguments;
  } cases[] = {
      {"docs\\guide.pdf", ERROR_BAD_EXE_FORMAT, "docs\\guide.pdf", ""},
      {"\"docs\\read me.txt\" /p", ERROR_BAD_EXE_FORMAT, "docs\\read me.txt", "/p"},
      {"\"docs\\read me.txt\" /p", ERROR_INVALID_NAME, "docs\\read me.txt", "/p"},
      {"extras", ERROR_ACCESS_DENIED, "extras", ""},
      // A folder whose name has a blank, unquoted: CreateProcess looks for the program "Extra".
      {"Extra Files", ERROR_FILE_NOT_FOUND, "Extra Files", ""},
      {"docs\\read me.txt /p", ERROR_FILE_NOT_FOUND, "docs\\read me.txt", "/p"},
      {"extras\\README", ERROR_FILE_NOT_FOUND, "extras\\README", ""},
      {"extras\\README", ERROR_PATH_NOT_FOUND, "extras\\README", ""},
      {"manual.hlp", ERROR_BAD_FORMAT, "manual.hlp", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.process_result = c.error;
    system.existing = {c.program};
    EXPECT_EQ(Start(c.command, system), Outcome::Started);
    ASSERT_EQ(system.processes.size(), 1u);
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, "D:\\Disc\\" + std::string(c.program));
    EXPECT_EQ(system.shell_starts[0].arguments, c.arguments);
  }
}

TEST(StartCommand, DocumentTheShellCannotOpenIsAFailure) {
  FakeStarter system;
  system.process_result = ERROR_BAD_EXE_FORMAT;
  system.shell_result = ERROR_NO_ASSOCIATION;
  system.existing = {"data.xyz"};
  EXPECT_EQ(Start("data.xyz", system), Outcome::Failed);
  EXPECT_EQ(system.shell_starts.size(), 1u);
}

TEST(StartCommand, OtherFailuresOfAnExistingProgramAreNotRetried) {
  // The program is there, but the system could not start it for another reason.
  FakeStarter system;
  system.existing = {"tool.exe"};
  for (const DWORD error : {DWORD{ERROR_NOT_ENOUGH_MEMORY}, DWORD{ERROR_EXE_MACHINE_TYPE_MISMATCH}}) {
    system.process_result = error;
    EXPECT_EQ(Start("tool.exe", system), Outcome::Failed) << error;
  }
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, LinksOpenThroughTheShellWithoutCreateProcess) {
  for (const char* link : {"https://example.org/guide", "HTTP://example.org", "mailto:help@example.org"}) {
    FakeStarter system;
    EXPECT_EQ(Start(link, system), Outcome::Started) << link;
    EXPECT_TRUE(system.processes.empty());
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, link);
  }
  FakeStarter system;
  system.shell_result = ERROR_NO_ASSOCIATION;
  EXPECT_EQ(Start("https://example.org x", system), Outcome::Failed);
  EXPECT_EQ(system.shell_starts[0].arguments, "x");
  // Only those three: another scheme is an ordinary (missing) program name.
  FakeStarter other;
  other.process_result = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(Start("ftp://example.org", other), Outcome::Failed);
  EXPECT_TRUE(other.shell_starts.empty());
}

TEST(StartCommand, ProgramOnTheMediumIsFoundAtTheFirstBlankThatEndsAFileName) {
  // The system is given the program found on the medium, never left to search for it itself.
  const struct {
    const char* command;
    std::vector<std::string> on_medium;
    const char* application;
    const char* command_line;
  } cases[] = {
      {"Python 3\\python-setup.exe /quiet", {"Python 3\\python-setup.exe"}, "D:\\Disc\\Python 3\\python-setup.exe",
       "\"Python 3\\python-setup.exe\" /quiet"},
      // .exe is added to a name without an extension, and the command line keeps the name as written.
      {"Tools 2\\setup /q  \"a b\"", {"Tools 2\\setup.exe"}, "D:\\Disc\\Tools 2\\setup.exe", "\"Tools 2\\setup\" /q  \"a b\""},
      // The shortest name that is a file wins, as in the system's own search.
      {"Python 3\\python-setup.exe", {"Python.exe", "Python 3\\python-setup.exe"}, "D:\\Disc\\Python.exe",
       "Python 3\\python-setup.exe"},
      // A program without a blank in its name gets the command line as it stands.
      {"tools\\standin.exe first \"second arg\"", {"tools\\standin.exe"}, "D:\\Disc\\tools\\standin.exe",
       "tools\\standin.exe first \"second arg\""},
      {"\"Server Setup\\setup.exe\" /x", {"Server Setup\\setup.exe"}, "D:\\Disc\\Server Setup\\setup.exe",
       "\"Server Setup\\setup.exe\" /x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.on_medium = c.on_medium;
    EXPECT_EQ(Start(c.command, system), Outcome::Started);
    ASSERT_EQ(system.processes.size(), 1u);
    EXPECT_EQ(system.applications[0], c.application);
    EXPECT_EQ(system.processes[0], c.command_line);
  }
}

TEST(StartCommand, WithNothingOnTheMediumTheSystemSearchesAsBefore) {
  FakeStarter system;
  EXPECT_EQ(Start("Python 3\\python-setup.exe /quiet", system), Outcome::Started);
  ASSERT_EQ(system.processes.size(), 1u);
  EXPECT_EQ(system.applications[0], "");
  EXPECT_EQ(system.processes[0], "Python 3\\python-setup.exe /quiet");
}

TEST(StartCommand, FileFoundOnTheMediumGoesToTheShellAsFound) {
  // A document whose name has a space; an installer that needs administrator rights.
  const struct {
    const char* command;
    const char* file;
    DWORD error;
    const char* arguments;
  } cases[] = {
      {"docs\\user guide.pdf", "docs\\user guide.pdf", ERROR_BAD_EXE_FORMAT, ""},
      {"Server Setup\\setup.exe /install now", "Server Setup\\setup.exe", kErrorElevationRequired, "/install now"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.on_medium = {c.file};
    system.process_result = c.error;
    EXPECT_EQ(Start(c.command, system), Outcome::Started);
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, "D:\\Disc\\" + std::string(c.file));
    EXPECT_EQ(system.shell_starts[0].arguments, c.arguments);
  }
  FakeStarter broken;
  broken.on_medium = {"Tools 2\\tool.exe"};
  broken.process_result = ERROR_NOT_ENOUGH_MEMORY;
  EXPECT_EQ(Start("Tools 2\\tool.exe", broken), Outcome::Failed);
  EXPECT_TRUE(broken.shell_starts.empty());
}
