#pragma once

#include <string>

namespace tarvelin {

// What goes onto a medium besides the pictures.
struct MediumSources {
  std::string options;          // options.ini to copy; empty to keep the one already in the folder
  std::string linux_program;    // the Linux tarvelin
  std::string windows_program;  // tarvelin.exe
};

// Puts the menu at the root of the folder |out_dir| (made if missing; other files stay): both
// programs, tarvelin.exe and the Linux one as .tarvelin (the Linux program of an earlier layout,
// tarvelin, goes), options.ini, and autorun.inf and autorun.sh so that Windows and Linux desktops
// offer the menu when the medium is inserted. Returns the fault, "FILE: fault", or nothing on success.
std::string LayOutMedium(const MediumSources& sources, const std::string& out_dir);

}  // namespace tarvelin
