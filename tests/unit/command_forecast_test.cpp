// What a command starts on Windows and on Linux, told from the files of a medium by the one rule
// of starting a command: the names each system tries, the files each takes as a program, and what
// goes to the desktop's opener or starts nothing.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/command_forecast.h"

namespace tarvelin {
namespace {

using Outcome = Forecast::Outcome;

constexpr const char* kWindowsProgram = "MZ\x90";
// The start of an ELF header: 64-bit, little-endian, and the machine at byte 18.
std::string Elf(unsigned char machine) {
  std::string header = std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(11, '\0');
  return header + static_cast<char>(machine) + '\0';
}
const std::string kX86_64 = Elf(62), kArm64 = Elf(183);

// A medium in memory: files with their bytes, and folders; paths from its root with "/".
class Medium final : public MediumFiles {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> without_execute_bit;

  Kind KindOf(const std::string& path) override {
    const std::string at = Clean(path);
    if (files.contains(at)) return Kind::File;
    return at.empty() || folders.contains(at) ? Kind::Folder : Kind::Missing;
  }
  bool NameExists(const std::string& path) override { return KindOf(path) != Kind::Missing; }
  std::vector<std::string> Names(const std::string& folder) override {
    const std::string parent = Clean(folder);
    std::vector<std::string> names;
    const auto add = [&](const std::string& path) {
      const std::size_t slash = path.rfind('/');
      if ((slash == std::string::npos ? std::string() : path.substr(0, slash)) == parent)
        names.push_back(path.substr(slash == std::string::npos ? 0 : slash + 1));
    };
    for (const auto& [path, bytes] : files) add(path);
    for (const std::string& path : folders) add(path);
    return names;
  }
  std::string FirstBytes(const std::string& path, std::size_t count) override {
    const auto it = files.find(Clean(path));
    return it == files.end() ? std::string() : it->second.substr(0, count);
  }
  bool LacksExecuteBit(const std::string& path) override { return without_execute_bit.contains(Clean(path)); }

 private:
  // Without "./" and a "/" at the end.
  static std::string Clean(std::string path) {
    if (path == ".") return {};
    if (path.starts_with("./")) path.erase(0, 2);
    while (path.ends_with('/')) path.pop_back();
    return path;
  }
};

TEST(ProgramRules, WindowsAddsExeOnlyToANameWithoutAnExtension) {
  EXPECT_EQ(WindowsProgramFile("setup"), "setup.exe");
  EXPECT_EQ(WindowsProgramFile("setup.cmd"), "setup.cmd");
  EXPECT_EQ(WindowsProgramFile("tools.v2\\setup"), "tools.v2\\setup.exe");
}

TEST(ProgramRules, AScriptLineSplitsAsTheKernelSplitsIt) {
  const std::optional<ScriptLine> env = ReadScriptLine("#! /usr/bin/env  python3 -u \nprint()");
  ASSERT_TRUE(env);
  EXPECT_EQ(env->interpreter, "/usr/bin/env");
  EXPECT_EQ(env->argument, "python3 -u");
  EXPECT_FALSE(env->carriage_return);
  const std::optional<ScriptLine> crlf = ReadScriptLine("#!/bin/sh\r\necho\r\n");
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->interpreter, "/bin/sh\r");
  EXPECT_TRUE(crlf->carriage_return);
  EXPECT_FALSE(ReadScriptLine("MZ#!/bin/sh"));
}

TEST(ProgramRules, LinuxFindsTheNameAsWrittenThenIgnoringCaseAndAFolderOnlyAsTheWholeCommand) {
  Medium medium;
  medium.folders = {"Tools", "tools"};
  medium.files = {{"Tools/SETUP", "#!/bin/sh\n"}, {"tools/setup", "#!/bin/sh\n"}};
  EXPECT_EQ(FindOnLinuxMedium("tools\\setup", false, medium)->path, "tools/setup");
  EXPECT_EQ(FindOnLinuxMedium("TOOLS/Setup", false, medium)->path, "Tools/SETUP");  // the first in byte order
  EXPECT_FALSE(FindOnLinuxMedium("tools", false, medium));
  const std::optional<CommandSystem::Found> folder = FindOnLinuxMedium("TOOLS", true, medium);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->folder);
  EXPECT_EQ(folder->path, "Tools");
  EXPECT_FALSE(FindOnLinuxMedium("/tools/setup", false, medium));
}

// What each system does with each kind of command, by its programs' own rules.
TEST(CommandForecast, TellsWhatEachSystemStartsFromTheFilesOnTheMedium) {
  Medium medium;
  medium.folders = {"Docs", "win", "linux"};
  medium.files = {{"win/setup.exe", kWindowsProgram},
                  {"both.exe", kWindowsProgram},
                  {"both", "#!/bin/sh\necho\n"},
                  {"Setup.EXE", kWindowsProgram},
                  {"SETUP", kX86_64},
                  {"crlf", "#!/bin/sh\r\necho\r\n"},
                  {"crlf.exe", kWindowsProgram},
                  {"arm", kArm64},
                  {"install.cmd", "@echo off\r\n"},
                  {"Read Me.txt", "words"},
                  {"notes", "words"},
                  {"fake.exe", "not a program"},
                  {"bare.sh", "#!/bin/bash -e\n"}};
  medium.without_execute_bit = {"bare.sh"};
  struct Case {
    const char* command;
    Outcome windows, linux;
    const char* windows_says;  // a part of what each says
    const char* linux_says;
  };
  const Case cases[] = {
      {"win\\setup.exe /q", Outcome::Runs, Outcome::Nothing, "runs win\\setup.exe on the medium",
       "win/setup.exe is a Windows program"},
      {"both --fast", Outcome::Runs, Outcome::Runs, "runs both.exe on the medium", "(a script, through /bin/sh)"},
      {"bare.sh", Outcome::Opens, Outcome::Runs, "program Windows has for .sh files",
       "(a script, through /bin/bash -e) only where the medium's file system keeps no execute bits"},
      {"setup", Outcome::Runs, Outcome::Runs, "runs Setup.EXE", "runs SETUP on the medium (an x86-64 program)"},
      {"crlf", Outcome::Runs, Outcome::Nothing, "runs crlf.exe", "interpreter would be \"/bin/sh\\r\""},
      {"arm", Outcome::Nothing, Outcome::Nothing, "no extension", "another kind of processor (ELF machine 183)"},
      {"install.cmd", Outcome::Runs, Outcome::Opens, "(a batch file, through cmd.exe)", "desktop's opener"},
      {"Read Me.txt", Outcome::Opens, Outcome::Opens, "program Windows has for .txt files", "gives Read Me.txt"},
      {"notes", Outcome::Nothing, Outcome::Opens, "notes has no extension", "gives notes to the desktop's opener"},
      {"fake.exe", Outcome::Nothing, Outcome::Opens, "fake.exe is no Windows program", "gives fake.exe"},
      {"docs", Outcome::Opens, Outcome::Opens, "the folder Docs in Explorer", "the folder Docs in the file manager"},
      {"mailto:help@example.org", Outcome::Opens, Outcome::Opens, "the link mailto:", "the link mailto:"},
      {"notepad readme", Outcome::Searches, Outcome::Searches, "looks for notepad.exe in the system's folders",
       "looks for notepad in PATH"},
      {"C:\\Windows\\notepad.exe", Outcome::Searches, Outcome::Nothing, "from the user's system",
       "no file C:/Windows/notepad.exe is on the medium"},
      {"/usr/bin/gedit", Outcome::Searches, Outcome::Searches, "from the user's system", "from the user's system"},
      {"guide\\guide.exe", Outcome::Nothing, Outcome::Nothing, "no file guide\\guide.exe is on the medium",
       "no file guide/guide.exe is on the medium"},
      {"", Outcome::Nothing, Outcome::Nothing, "the command is empty", "the command is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const Forecast windows = ForecastOnWindows(c.command, medium);
    const Forecast linux = ForecastOnLinux(c.command, medium);
    EXPECT_EQ(windows.outcome, c.windows) << windows.what;
    EXPECT_EQ(linux.outcome, c.linux) << linux.what;
    EXPECT_NE(windows.what.find(c.windows_says), std::string::npos) << windows.what;
    EXPECT_NE(linux.what.find(c.linux_says), std::string::npos) << linux.what;
  }
}

}  // namespace
}  // namespace tarvelin
