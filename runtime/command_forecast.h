#pragma once

// What a command of the menu's options starts on Windows and on Linux, told from the files of a
// medium rather than by starting anything: the rule every system follows (StartCommand), over
// systems that answer its questions from the medium and from what each system's programs decide
// about a file (runtime/program_rules.h). The author's tool reports it for every entry.

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/program_rules.h"

namespace tarvelin {

// The files of a medium, the folder the menu runs in. A path from the root of a system ("/usr",
// "C:\", "\\server") is on the user's system: the forecast never asks about it.
class MediumFiles : public FileQueries {
 public:
  // The first bytes of the file at |path|, at most |count|; empty when it cannot be read.
  virtual std::string FirstBytes(const std::string& path, std::size_t count) = 0;
  // True when the file at |path| has no execute bit where the medium is read and its file system
  // keeps them; false where they are not kept (a Windows file system).
  virtual bool LacksExecuteBit(const std::string& path) = 0;
};

struct Forecast {
  enum class Outcome {
    Runs,      // a program on the medium
    Searches,  // a program the user's system may or may not have
    Opens,     // a document, folder or link, with the desktop's opener
    Nothing,   // the menu says the file could not be found
  };
  Outcome outcome = Outcome::Nothing;
  // What the system does, in words that follow its name ("runs setup.exe on the medium"); for
  // Nothing, why.
  std::string what;
};

// What |command| starts on Windows: tarvelin.exe's rule, with Windows's own decisions (.exe added
// to a name without one, names that match ignoring case, a PE file or a batch file is a program,
// the rest goes to the program Windows has for its extension).
Forecast ForecastOnWindows(std::string_view command, MediumFiles& medium);

// What |command| starts on Linux: the Linux program's rule (the name as written, then ignoring
// case; an x86-64 program, a 32-bit x86 one (run through its loader where the user's system has its
// 32-bit libraries) or a script with its "#!" line is a program, the rest goes to the desktop's
// opener, a Windows program there included, which only Wine would run).
Forecast ForecastOnLinux(std::string_view command, MediumFiles& medium);

}  // namespace tarvelin
