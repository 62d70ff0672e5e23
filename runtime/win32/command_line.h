#pragma once

// Starting a command line as the menu's entries need it, with the system calls behind a seam so
// the decisions can be tested without starting anything.

#include <windows.h>

#include <string>
#include <string_view>

namespace tarvelin {

// A command line split the way Windows finds the program in it: a first word in double quotes
// runs to the closing quote, otherwise to the first space or tab. The arguments are the rest,
// after the blanks that separate them, unchanged.
struct ProgramAndArguments {
  std::wstring program;
  std::wstring arguments;
};
ProgramAndArguments SplitProgramFromArguments(std::wstring_view command_line);

// The two ways the system starts a program. Each returns 0 when a process started, otherwise the
// system error code.
class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // CreateProcessW with the whole command line, in a normal window, without waiting.
  virtual DWORD StartProcess(std::wstring command_line) = 0;
  // ShellExecuteExW of the program with its arguments; the system asks the user's consent when the
  // program needs administrator rights.
  virtual DWORD StartThroughShell(const ProgramAndArguments& command) = 0;
};

// CreateProcessW's error for a program whose manifest asks for administrator rights
// (ERROR_ELEVATION_REQUIRED, which the mingw-w64 headers lack).
inline constexpr DWORD kErrorElevationRequired = 740;

enum class StartResult {
  Started,
  Declined,  // the program needs administrator rights and the user said no when asked
  Failed,
};

// Starts a command line with CreateProcessW. A program that needs administrator rights (an
// installer named setup.exe, a manifest asking for them) cannot start that way; it is started
// through the shell instead, which asks the user. A blank command line starts nothing.
StartResult StartCommand(std::wstring_view command_line, ProgramStarter& starter);

}  // namespace tarvelin
