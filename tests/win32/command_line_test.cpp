#include "runtime/win32/command_line.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarvelin;

namespace {

// The system as a script: what each way of starting returns, and what was asked of it.
class FakeStarter final : public ProgramStarter {
 public:
  DWORD process_result = ERROR_SUCCESS;
  DWORD shell_result = ERROR_SUCCESS;
  std::vector<std::wstring> processes;
  std::vector<ProgramAndArguments> shell_starts;

  DWORD StartProcess(std::wstring command_line) override {
    processes.push_back(command_line);
    return process_result;
  }
  DWORD StartThroughShell(const ProgramAndArguments& command) override {
    shell_starts.push_back(command);
    return shell_result;
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
