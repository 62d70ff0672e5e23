// Program start as the menu asks for it: the one rule of starting a command, over Windows's answers
// and its system calls.

#include <memory>

#include "runtime/command_start.h"
#include "runtime/win32/process.h"
#include "runtime/win32/program_start.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_system.h"

namespace tarvelin {

bool Win32System::Shell(const std::string& command_line) {
  const std::unique_ptr<ProgramStarter> starter = SystemStarter(owner_, Utf8ToWide(app_path_), com_entered_);
  WindowsCommands commands(*starter);
  // A user who declined the consent prompt needs no error box: nothing is reported then.
  const StartResult result = StartCommand(command_line, commands);
  if (result.outcome != StartResult::Outcome::Failed) return true;
  // The menu shows one message for every failure; the system's reason goes where a debugger, or a
  // tool that shows debug output (DebugView, Wine's WINEDEBUG), can read it. The reason comes
  // first, as such tools may cut a long line short.
  OutputDebugStringW(Utf8ToWide("tarvelin: " + result.failure + "; cannot start \"" + command_line + "\"\n").c_str());
  return false;
}

}  // namespace tarvelin
