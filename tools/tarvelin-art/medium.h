#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace tarvelin {

// What goes onto a medium besides the pictures.
struct MediumSources {
  std::string options;          // options.ini to copy; empty to keep the one already in the folder
  std::string linux_program;    // the Linux tarvelin
  std::string windows_program;  // tarvelin.exe
  bool replace_autorun = false;  // replace an autorun.inf that is not the one this tool writes
};

struct MediumFile {
  std::string name;
  std::string bytes;
  bool executable = false;
};

// Everything a medium gets, read and checked before anything is written.
struct MediumPlan {
  std::string root;
  std::vector<MediumFile> files;
  std::vector<std::string> notes;  // what the author should know of the layout
};

// Reads what the folder |out_dir| gets: both programs, tarvelin.exe and the Linux one as .tarvelin,
// options.ini (copied, or the one the folder holds), autorun.inf and autorun.sh so that Windows and
// Linux desktops offer the menu when the medium is inserted, and LICENSES.txt with the full texts
// it names in licenses/. An autorun.inf of the author's own stays unless |sources| says to replace
// it. Nothing is written.
Outcome<MediumPlan> PlanMedium(const MediumSources& sources, const std::string& out_dir);

// Writes the plan into its folder (made if missing; other files stay). The Linux program of an
// earlier layout, tarvelin, goes.
Outcome<> LayOutMedium(const MediumPlan& plan);

}  // namespace tarvelin
