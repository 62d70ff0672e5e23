#pragma once

// The operating system as tarvelin.exe offers it to the menu, over the wide-character API (UTF-8
// converted at this boundary). The files by concern:
//   files.cpp     App Path, options file input, current drive and directory
//   shell.cpp     program start: the one rule of starting a command (runtime/command_start.h)
//                 over Windows's answers (program_start.cpp) and its system calls (process.cpp),
//                 with the consent prompt for programs that need it

#include <windows.h>

#include <optional>
#include <string>

#include "runtime/system.h"

namespace tarvelin {

class Win32System final : public System {
 public:
  // App Path is the directory of the running program, fixed from here on.
  Win32System();

  // The directory of the running program, from GetModuleFileNameW, however long its path.
  static std::wstring ProgramDirectory();

  // The window that owns what a program start shows (the consent prompt for a program that needs
  // administrator rights); none while the menu has no window.
  void SetOwnerWindow(HWND window) { owner_ = window; }

  std::string AppPath() const override { return app_path_; }
  char PathSeparator() const override { return '\\'; }
  std::optional<TextInput> OpenForInput(const std::string& path) override;
  bool ChDrive(char drive) override;
  bool ChDir(const std::string& path) override;
  bool Shell(const std::string& command_line) override;

 private:
  std::string app_path_;
  HWND owner_ = nullptr;
  bool com_entered_ = false;  // the menu's thread is in its COM apartment (process.cpp)
};

}  // namespace tarvelin
