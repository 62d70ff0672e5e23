#pragma once

#include <string>
#include <vector>

#include "files_in_place.h"
#include "tools/common/outcome.h"

namespace tarvelin {

// What goes onto a medium besides the pictures.
struct MediumSources {
  std::string options;          // options.ini to copy; empty to keep the one already in the folder
  std::string linux_program;    // the Linux tarvelin
  std::string windows_program;  // tarvelin.exe
  std::string programs;         // a folder of the author's programs, copied to the medium's root; may be empty
  std::string icon;             // a picture for the drive's icon, autorun.ico; may be empty
  bool replace_autorun = false;  // replace an autorun.inf that is not the one this tool writes
};

// Everything a medium gets, read and checked before anything is written.
struct MediumPlan {
  std::string root;
  // Every file the medium gets, written together (PutFilesInPlace): each is whole, or none is new.
  std::vector<FileToWrite> files;
  std::size_t programs = 0;  // how many of the files, the last ones, are the author's programs
  // The files the plan reads, which nothing the command writes may replace.
  std::vector<std::string> inputs;
  std::vector<std::string> notes;  // what the author should know of the layout
};

// Reads what the folder |out_dir| gets: both programs, tarvelin.exe and the Linux one as .tarvelin,
// options.ini (copied, or the one the folder holds), autorun.inf and autorun.sh so that Windows and
// Linux desktops offer the menu when the medium is inserted, LICENSES.txt with the full texts it
// names in licenses/, the author's programs, and the drive's icon, autorun.ico, made from the
// author's picture. An autorun.inf of the author's own stays unless |sources| says to replace it.
// Nothing is written.
Outcome<MediumPlan> PlanMedium(const MediumSources& sources, const std::string& out_dir);

// The names of the plan's files ("options.ini, .tarvelin, ..."), the author's programs counted, not
// named.
std::string NamesOf(const MediumPlan& plan);

// Writes the plan into its folder (made if missing; other files stay), every file whole or the
// folder as it was. The Linux program of an earlier layout, tarvelin, goes.
Outcome<> LayOutMedium(const MediumPlan& plan);

}  // namespace tarvelin
