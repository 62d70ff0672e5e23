#pragma once

// What the menu asks of the operating system rather than of its window system: where the program
// is, its files and directories, and starting programs. One implementation for each system
// (runtime/linux, runtime/win32) and a scripted one (runtime/memory); the shared runtime offers
// them to the menu through Services. Failures come back as values.

#include <optional>
#include <string>

#include "runtime/text_input.h"

namespace tarvelin {

class System {
 public:
  System() = default;
  virtual ~System() = default;
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // The executable's directory, found from the operating system; ends with a separator only at a root.
  virtual std::string AppPath() const = 0;
  // The directory separator of the platform's paths ("\" on Windows, "/" on POSIX).
  virtual char PathSeparator() const = 0;
  // Opens a text file for sequential input; nothing when it is missing, not a regular file or unreadable.
  virtual std::optional<TextInput> OpenForInput(const std::string& path) = 0;
  // Makes the drive with this letter current; false when it cannot.
  [[nodiscard]] virtual bool ChDrive(char drive) = 0;
  // Makes the directory current; false when it cannot.
  [[nodiscard]] virtual bool ChDir(const std::string& path) = 0;
  // Starts a command line in a normal window with the focus, without waiting; false when nothing started.
  [[nodiscard]] virtual bool Shell(const std::string& command_line) = 0;
};

}  // namespace tarvelin
