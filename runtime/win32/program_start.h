#pragma once

// Starting a command line on Windows: the system's answers to the rule of starting a command, with
// the system calls behind a seam so the decisions can be tested without starting anything.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "runtime/command_start.h"

namespace tarvelin {

// A program, document, folder or link with its arguments, as the shell is given them.
struct ProgramAndArguments {
  std::string program;
  std::string arguments;
};

// The two ways the system starts a program, each returning 0 when it started and otherwise the
// system error code, and the questions asked of the file system. Text is UTF-8 here, as everywhere
// in the menu; it becomes UTF-16 only in the system call.
class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // CreateProcessW with the command line, in a normal window, without waiting: the program at the
  // full path |application|, or with an empty one the program the system finds from the command line.
  virtual DWORD StartProcess(const std::string& application, const std::string& command_line) = 0;
  // ShellExecuteExW with the open verb on the program with its arguments: a program (the system
  // asks the user's consent when it needs administrator rights), or a document, folder or link,
  // opened with the application the system has for it.
  virtual DWORD StartThroughShell(const ProgramAndArguments& command) = 0;
  // The full path of the file or folder a name stands for (a relative name in the current
  // directory), or nothing when there is none.
  virtual std::string ExistingFullPath(const std::string& name) = 0;
  // The full path of the file (not a folder) a name stands for on the medium: a relative name in
  // the application directory. Nothing when there is none.
  virtual std::string FileOnMedium(const std::string& name) = 0;
};

// The system's words for an error of a call, for the debugger's output: "CreateProcess failed with
// error 2: The system cannot find the file specified."
std::string SystemReason(const char* call, DWORD error);

// CreateProcessW's error for a program whose manifest asks for administrator rights
// (ERROR_ELEVATION_REQUIRED, which the mingw-w64 headers lack).
inline constexpr DWORD kErrorElevationRequired = 740;

// Windows's answers to the rule every system follows (runtime/command_start.h), over the system
// calls of a ProgramStarter: a command line starts with CreateProcessW. The program is looked for on the medium first: each
// way its name may end (ProgramCandidates: at each blank, shortest first, unless it is in quotes),
// with .exe added to a name without an extension, is looked for in the application directory, and
// the first file found is the program, the rest of the line its arguments. CreateProcessW then gets
// its full path, and the command line with the name as written, in quotes when it holds a blank.
// Only when the medium has none of them does CreateProcessW search for the program itself, with the
// command line as it stands; so "Python 3\setup.exe /q" never starts a Python.exe in PATH when the
// medium has the setup program. Through the shell instead:
//  - a program that needs administrator rights (an installer named setup.exe, a manifest asking
//    for them), which CreateProcessW refuses with ERROR_ELEVATION_REQUIRED; the shell asks the user;
//  - an http:, https: or mailto: link as the program part, which opens in the user's browser or
//    mail program without CreateProcessW being tried;
//  - a program part naming an existing file or folder that CreateProcessW could not start as a
//    program: a document, a folder, or a file without the .exe that CreateProcessW appends to a
//    name without an extension. The errors that say so are those of a file that is no program
//    (ERROR_BAD_EXE_FORMAT, ERROR_BAD_FORMAT), one that may not be run (ERROR_ACCESS_DENIED, also
//    a folder's), a name not found as a program (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND) and
//    one not taken as a program's name (ERROR_INVALID_NAME, which Wine gives for a quoted document
//    name with a space). A file found on the medium (a document whose name has a space, say) goes
//    as it was found, with its arguments; otherwise the first word names it. The shell gets the full
//    path, as the application it hands the file to may run in another directory. Another failure,
//    or a name that exists neither way, fails without asking the shell.
// A blank command line starts nothing.
class WindowsCommands final : public CommandSystem {
 public:
  explicit WindowsCommands(ProgramStarter& starter) : starter_(starter) {}

  // A file only, with .exe added to a name without an extension; a folder on the medium is found
  // as an existing name once CreateProcessW has failed.
  std::optional<Found> OnMedium(std::string_view name, bool whole_command) override;
  RunAttempt RunFound(const std::string& path, std::string_view name, const Arguments& arguments) override;
  // CreateProcessW searches for the program of the command line as it stands.
  RunAttempt RunSearched(std::string_view name, const Arguments& arguments, std::string_view command_line) override;
  StartResult Open(const std::string& target, std::string_view arguments) override;
  std::optional<std::string> Existing(std::string_view name) override;

 private:
  ProgramStarter& starter_;
};

}  // namespace tarvelin
