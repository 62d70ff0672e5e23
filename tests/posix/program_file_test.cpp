// What a file on a medium is as a program, read as the kernel would read it: the "#!" line of a
// script, and the machine and loader of an ELF program.

#include <gtest/gtest.h>

#include <string>

#include "posix_test_support.h"
#include "runtime/linux/program_file.h"

namespace tarvelin::posix {
namespace {

using namespace testing;

TEST(InspectProgramFile, SplitsAScriptsLineAsTheKernelDoes) {
  TempDir dir;
  WriteFile(dir / "setup.sh", "#!  /usr/bin/env  python3 -u \t\nprint('hi')\n");
  const ProgramFile script = InspectProgramFile((dir / "setup.sh").string());
  EXPECT_EQ(script.kind, ProgramFile::Kind::Script);
  EXPECT_EQ(script.interpreter, "/usr/bin/env");
  EXPECT_EQ(script.interpreter_argument, "python3 -u");
  EXPECT_FALSE(script.carriage_return);
  EXPECT_FALSE(script.has_execute_bit);

  // Saved with Windows line ends: the carriage return belongs to the interpreter's name.
  WriteFile(dir / "crlf.sh", "#!/bin/sh\r\necho hi\r\n", fs::perms(0755));
  const ProgramFile crlf = InspectProgramFile((dir / "crlf.sh").string());
  EXPECT_EQ(crlf.interpreter, "/bin/sh\r");
  EXPECT_TRUE(crlf.carriage_return);
  EXPECT_TRUE(crlf.has_execute_bit);
  EXPECT_NE(WhyItCannotRun(crlf, ENOENT).find("carriage return"), std::string::npos);
}

TEST(InspectProgramFile, TellsThisMachinesProgramsAndTheirLoaderFromOthersAndFromDocuments) {
  TempDir dir;
  const ProgramFile own = InspectProgramFile(TARVELIN_STANDIN);
  EXPECT_EQ(own.kind, ProgramFile::Kind::Program);
  EXPECT_TRUE(own.this_machine);
  EXPECT_EQ(own.loader.front(), '/') << own.loader;

  // The same program marked for 64-bit ARM, machine 183, in its header.
  std::string bytes = ReadFile(TARVELIN_STANDIN);
  bytes[18] = '\xb7';
  bytes[19] = '\0';
  WriteFile(dir / "arm", bytes, fs::perms(0755));
  const ProgramFile arm = InspectProgramFile((dir / "arm").string());
  EXPECT_EQ(arm.kind, ProgramFile::Kind::Program);
  EXPECT_FALSE(arm.this_machine);
  EXPECT_EQ(arm.machine, 183u);
  EXPECT_NE(WhyItCannotRun(arm, ENOEXEC).find("ELF machine 183"), std::string::npos);

  WriteFile(dir / "guide.pdf", "%PDF-1.4\n");
  EXPECT_EQ(InspectProgramFile((dir / "guide.pdf").string()).kind, ProgramFile::Kind::Other);
  EXPECT_EQ(InspectProgramFile((dir / "missing").string()).kind, ProgramFile::Kind::Missing);
  EXPECT_EQ(InspectProgramFile(dir.path().string()).kind, ProgramFile::Kind::Missing);
}

}  // namespace
}  // namespace tarvelin::posix
