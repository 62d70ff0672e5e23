#pragma once

// The system calls behind starting a command on Windows.

#include <windows.h>

#include <memory>
#include <string>

#include "runtime/win32/program_start.h"

namespace tarvelin {

// CreateProcessW, ShellExecuteExW and the file system's answers, for a menu whose application
// directory is |directory|; what the shell shows (the consent prompt) is owned by |owner|, and
// |com_entered| tells whether the menu's thread is in its COM apartment yet.
std::unique_ptr<ProgramStarter> SystemStarter(HWND owner, std::wstring directory, bool& com_entered);

}  // namespace tarvelin
