#include "runtime/win32/program_start.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tarvelin;

namespace {

// The system as a script: what each way of starting returns, and what was asked of it.
class FakeStarter final : public ProgramStarter {
 public:
  DWORD process_result = ERROR_SUCCESS;
  DWORD shell_result = ERROR_SUCCESS;
  std::vector<std::wstring> processes;
  std::vector<std::wstring> applications;  // the full path each process was given, or ""
  std::vector<ProgramAndArguments> shell_starts;
  std::vector<std::wstring> existing;   // files and folders there are, in the current directory
  std::vector<std::wstring> on_medium;  // files there are in the application directory D:\Disc

  DWORD StartProcess(const std::wstring& application, std::wstring command_line) override {
    applications.push_back(application);
    processes.push_back(command_line);
    return process_result;
  }
  DWORD StartThroughShell(const ProgramAndArguments& command) override {
    shell_starts.push_back(command);
    return shell_result;
  }
  std::wstring ExistingFullPath(const std::wstring& name) override {
    if (std::find(existing.begin(), existing.end(), name) == existing.end()) return {};
    return L"D:\\Disc\\" + name;
  }
  std::wstring FileOnMedium(const std::wstring& name) override {
    if (std::find(on_medium.begin(), on_medium.end(), name) == on_medium.end()) return {};
    return L"D:\\Disc\\" + name;
  }
};

void ExpectSplit(std::wstring_view line, std::wstring_view program, std::wstring_view arguments) {
  const ProgramAndArguments split = SplitProgramFromArguments(line);
  EXPECT_EQ(split.program, program);
  EXPECT_EQ(split.arguments, arguments);
}

}  // namespace

TEST(SplitProgramFromArguments, FindsTheProgramAsWindowsDoes) {
  ExpectSplit(L"guide\\guide.exe", L"guide\\guide.exe", L"");
  ExpectSplit(L"websrv\\setup.exe /S /D=C:\\Web", L"websrv\\setup.exe", L"/S /D=C:\\Web");
  ExpectSplit(L"\"Program Files\\My Tool\\tool.exe\" -x \"a b\"", L"Program Files\\My Tool\\tool.exe", L"-x \"a b\"");
  ExpectSplit(L"setup.exe\t\t--quiet", L"setup.exe", L"--quiet");
  ExpectSplit(L"   setup.exe  a  b ", L"setup.exe", L"a  b ");
}

TEST(SplitProgramFromArguments, QuotedProgramEndsAtItsClosingQuote) {
  ExpectSplit(L"\"a b\"c d", L"a b", L"c d");
  ExpectSplit(L"\"never closed.exe arg", L"never closed.exe arg", L"");
  ExpectSplit(L"\"\" x", L"", L"x");
}

TEST(SplitProgramFromArguments, BlankLineHasNoProgram) {
  ExpectSplit(L"", L"", L"");
  ExpectSplit(L" \t ", L"", L"");
}

TEST(StartCommand, StartsTheWholeCommandLineWithCreateProcess) {
  FakeStarter system;
  EXPECT_EQ(StartCommand(L"tools\\setup.exe /S", system), StartResult::Started);
  ASSERT_EQ(system.processes.size(), 1u);
  EXPECT_EQ(system.processes[0], L"tools\\setup.exe /S");
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, BlankCommandStartsNothingAndFails) {
  FakeStarter system;
  EXPECT_EQ(StartCommand(L"", system), StartResult::Failed);
  EXPECT_EQ(StartCommand(L"  ", system), StartResult::Failed);
  EXPECT_TRUE(system.processes.empty());
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, CommandWithANulStartsNothingAndFails) {
  FakeStarter system;
  using namespace std::string_view_literals;
  EXPECT_EQ(StartCommand(L"tools\\setup.exe\0 /S"sv, system), StartResult::Failed);
  EXPECT_EQ(StartCommand(L"http://example.org/\0x"sv, system), StartResult::Failed);
  EXPECT_TRUE(system.processes.empty());
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, MissingProgramFailsWithoutAskingTheShell) {
  FakeStarter system;
  for (const DWORD error : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_PATH_NOT_FOUND}, DWORD{ERROR_BAD_EXE_FORMAT},
                            DWORD{ERROR_ACCESS_DENIED}}) {
    system.process_result = error;
    EXPECT_EQ(StartCommand(L"missing.exe", system), StartResult::Failed) << error;
  }
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, ProgramNeedingAdministratorRightsIsStartedThroughTheShell) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  EXPECT_EQ(StartCommand(L"\"server setup\\setup.exe\" /install now", system), StartResult::Started);
  ASSERT_EQ(system.shell_starts.size(), 1u);
  EXPECT_EQ(system.shell_starts[0].program, L"server setup\\setup.exe");
  EXPECT_EQ(system.shell_starts[0].arguments, L"/install now");
}

TEST(StartCommand, DeclinedConsentIsNotAFailure) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  system.shell_result = ERROR_CANCELLED;
  EXPECT_EQ(StartCommand(L"setup.exe", system), StartResult::Declined);
}

TEST(StartCommand, ShellFailureAfterElevationIsAFailure) {
  FakeStarter system;
  system.process_result = kErrorElevationRequired;
  system.shell_result = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(StartCommand(L"setup.exe", system), StartResult::Failed);
}

TEST(StartCommand, ExistingFileThatIsNoProgramOpensThroughTheShell) {
  // A document (no program at all), a folder (access denied), a file without extension (CreateProcess
  // looks for it with .exe appended and does not find that).
  const struct {
    const wchar_t* command;
    DWORD error;
    const wchar_t* program;
    const wchar_t* arguments;
  } cases[] = {
      {L"docs\\guide.pdf", ERROR_BAD_EXE_FORMAT, L"docs\\guide.pdf", L""},
      {L"\"docs\\read me.txt\" /p", ERROR_BAD_EXE_FORMAT, L"docs\\read me.txt", L"/p"},
      {L"\"docs\\read me.txt\" /p", ERROR_INVALID_NAME, L"docs\\read me.txt", L"/p"},
      {L"extras", ERROR_ACCESS_DENIED, L"extras", L""},
      // A folder whose name has a blank, unquoted: CreateProcess looks for the program "Extra".
      {L"Extra Files", ERROR_FILE_NOT_FOUND, L"Extra Files", L""},
      {L"docs\\read me.txt /p", ERROR_FILE_NOT_FOUND, L"docs\\read me.txt", L"/p"},
      {L"extras\\README", ERROR_FILE_NOT_FOUND, L"extras\\README", L""},
      {L"extras\\README", ERROR_PATH_NOT_FOUND, L"extras\\README", L""},
      {L"manual.hlp", ERROR_BAD_FORMAT, L"manual.hlp", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.process_result = c.error;
    system.existing = {c.program};
    EXPECT_EQ(StartCommand(c.command, system), StartResult::Started);
    ASSERT_EQ(system.processes.size(), 1u);
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, L"D:\\Disc\\" + std::wstring(c.program));
    EXPECT_EQ(system.shell_starts[0].arguments, c.arguments);
  }
}

TEST(StartCommand, DocumentTheShellCannotOpenIsAFailure) {
  FakeStarter system;
  system.process_result = ERROR_BAD_EXE_FORMAT;
  system.shell_result = ERROR_NO_ASSOCIATION;
  system.existing = {L"data.xyz"};
  EXPECT_EQ(StartCommand(L"data.xyz", system), StartResult::Failed);
  EXPECT_EQ(system.shell_starts.size(), 1u);
}

TEST(StartCommand, OtherFailuresOfAnExistingProgramAreNotRetried) {
  // The program is there, but the system could not start it for another reason.
  FakeStarter system;
  system.existing = {L"tool.exe"};
  for (const DWORD error : {DWORD{ERROR_NOT_ENOUGH_MEMORY}, DWORD{ERROR_EXE_MACHINE_TYPE_MISMATCH}}) {
    system.process_result = error;
    EXPECT_EQ(StartCommand(L"tool.exe", system), StartResult::Failed) << error;
  }
  EXPECT_TRUE(system.shell_starts.empty());
}

TEST(StartCommand, LinksOpenThroughTheShellWithoutCreateProcess) {
  for (const wchar_t* link : {L"https://example.org/guide", L"HTTP://example.org", L"mailto:help@example.org"}) {
    FakeStarter system;
    EXPECT_EQ(StartCommand(link, system), StartResult::Started) << link;
    EXPECT_TRUE(system.processes.empty());
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, link);
  }
  FakeStarter system;
  system.shell_result = ERROR_NO_ASSOCIATION;
  EXPECT_EQ(StartCommand(L"https://example.org x", system), StartResult::Failed);
  EXPECT_EQ(system.shell_starts[0].arguments, L"x");
  // Only those three: another scheme is an ordinary (missing) program name.
  FakeStarter other;
  other.process_result = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(StartCommand(L"ftp://example.org", other), StartResult::Failed);
  EXPECT_TRUE(other.shell_starts.empty());
}

TEST(StartCommand, ProgramOnTheMediumIsFoundAtTheFirstBlankThatEndsAFileName) {
  // The system is given the program found on the medium, never left to search for it itself.
  const struct {
    const wchar_t* command;
    std::vector<std::wstring> on_medium;
    const wchar_t* application;
    const wchar_t* command_line;
  } cases[] = {
      {L"Python 3\\python-setup.exe /quiet", {L"Python 3\\python-setup.exe"}, L"D:\\Disc\\Python 3\\python-setup.exe",
       L"\"Python 3\\python-setup.exe\" /quiet"},
      // .exe is added to a name without an extension, and the command line keeps the name as written.
      {L"Tools 2\\setup /q  \"a b\"", {L"Tools 2\\setup.exe"}, L"D:\\Disc\\Tools 2\\setup.exe", L"\"Tools 2\\setup\" /q  \"a b\""},
      // The shortest name that is a file wins, as in the system's own search.
      {L"Python 3\\python-setup.exe", {L"Python.exe", L"Python 3\\python-setup.exe"}, L"D:\\Disc\\Python.exe",
       L"Python 3\\python-setup.exe"},
      // A program without a blank in its name gets the command line as it stands.
      {L"tools\\standin.exe first \"second arg\"", {L"tools\\standin.exe"}, L"D:\\Disc\\tools\\standin.exe",
       L"tools\\standin.exe first \"second arg\""},
      {L"\"Server Setup\\setup.exe\" /x", {L"Server Setup\\setup.exe"}, L"D:\\Disc\\Server Setup\\setup.exe",
       L"\"Server Setup\\setup.exe\" /x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.on_medium = c.on_medium;
    EXPECT_EQ(StartCommand(c.command, system), StartResult::Started);
    ASSERT_EQ(system.processes.size(), 1u);
    EXPECT_EQ(system.applications[0], c.application);
    EXPECT_EQ(system.processes[0], c.command_line);
  }
}

TEST(StartCommand, WithNothingOnTheMediumTheSystemSearchesAsBefore) {
  FakeStarter system;
  EXPECT_EQ(StartCommand(L"Python 3\\python-setup.exe /quiet", system), StartResult::Started);
  ASSERT_EQ(system.processes.size(), 1u);
  EXPECT_EQ(system.applications[0], L"");
  EXPECT_EQ(system.processes[0], L"Python 3\\python-setup.exe /quiet");
}

TEST(StartCommand, FileFoundOnTheMediumGoesToTheShellAsFound) {
  // A document whose name has a space; an installer that needs administrator rights.
  const struct {
    const wchar_t* command;
    const wchar_t* file;
    DWORD error;
    const wchar_t* arguments;
  } cases[] = {
      {L"docs\\user guide.pdf", L"docs\\user guide.pdf", ERROR_BAD_EXE_FORMAT, L""},
      {L"Server Setup\\setup.exe /install now", L"Server Setup\\setup.exe", kErrorElevationRequired, L"/install now"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command);
    FakeStarter system;
    system.on_medium = {c.file};
    system.process_result = c.error;
    EXPECT_EQ(StartCommand(c.command, system), StartResult::Started);
    ASSERT_EQ(system.shell_starts.size(), 1u);
    EXPECT_EQ(system.shell_starts[0].program, L"D:\\Disc\\" + std::wstring(c.file));
    EXPECT_EQ(system.shell_starts[0].arguments, c.arguments);
  }
  FakeStarter broken;
  broken.on_medium = {L"Tools 2\\tool.exe"};
  broken.process_result = ERROR_NOT_ENOUGH_MEMORY;
  EXPECT_EQ(StartCommand(L"Tools 2\\tool.exe", broken), StartResult::Failed);
  EXPECT_TRUE(broken.shell_starts.empty());
}
