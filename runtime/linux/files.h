#pragma once

// Files and directories on this system: the application directory held from start-up, files read
// without blocking, names looked for on media made on Windows. Failures come back as values;
// nothing here throws or exits.

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/artwork.h"
#include "runtime/linux/unique_fd.h"
#include "runtime/program_rules.h"
#include "runtime/text_input.h"

namespace tarvelin::posix {

// Gives standard input, output and error a file each, /dev/null for those that are closed. Until
// then the next file the process opens (its display connection, say) would take one of their
// numbers, and every program it starts would inherit that file as its output.
void FillStandardStreams();

// A reason written to standard error must never end the menu: with a pipe there whose reader has
// gone, a write fails (EPIPE) instead of raising SIGPIPE, whose default action ends the process.
// Every program the menu starts gets the default action back (Spawn).
void IgnoreBrokenPipes();

// The directory of the file that holds the program's own code, as |maps| (a /proc/PID/maps file)
// names it; ends with "/" only at the root; empty when the system cannot tell. Not the process's
// executable, /proc/self/exe: started through the dynamic loader ("ld.so ./tarvelin", which runs a
// program from a medium whose files carry no execute bits), that is the loader.
std::string ExecutableDirectory(const char* maps = "/proc/self/maps");

// The application directory, found and opened once at start-up and held open from then on. A
// medium that is unmounted lazily (as desktops do when a stick is pulled) stays reachable through
// the held directory, and commands never resolve against the directory its path now leads to.
class ApplicationDirectory {
 public:
  // The directory of the program's file as the system names it in |maps| (ExecutableDirectory);
  // when the system cannot tell, the directory of |argv0|, the path the program was started by
  // (a bare name as found in PATH, a relative one from the current directory), and Problem() says
  // so. Nothing is held when that directory cannot be opened.
  static ApplicationDirectory Find(const char* argv0, const char* maps = "/proc/self/maps");

  // The directory's path as it was at start-up; ends with "/" only at the root.
  const std::string& Path() const { return path_; }
  // Why the system's name for the executable could not be used; empty when it could.
  const std::string& Problem() const { return problem_; }
  // Makes the held directory current through its descriptor, whatever its path leads to now.
  // Without a held directory, the path is made current. False when neither can be.
  bool MakeCurrent() const;
  // The device the held directory is on, the medium's; nothing without a held directory.
  std::optional<dev_t> Device() const;
  // A path that leads to the held directory from any process of the user's while the menu runs,
  // through /proc ("/proc/PID/fd/N"), also once its own path leads elsewhere; empty without one.
  std::string HeldPath() const;
  // The held directory's device and inode, the same whichever path leads to it; nothing without a
  // held directory.
  std::optional<std::pair<dev_t, ino_t>> Identity() const;

 private:
  std::string path_;
  std::string problem_;
  UniqueFd directory_;
};

// The questions of the rules of starting a program (runtime/program_rules.h), asked of this system.
// Anything that exists and is no directory (a device, a pipe) is a file; a name with a NUL byte is
// missing.
class SystemFileQueries final : public FileQueries {
 public:
  Kind KindOf(const std::string& path) override;
  bool NameExists(const std::string& path) override;
  std::vector<std::string> Names(const std::string& folder) override;
};

// The file or folder |path| names on a medium made on Windows, as the shared rule finds it
// (tarvelin::FindIgnoringCase) on this system; nothing for a name with a NUL byte.
std::optional<std::string> FindIgnoringCase(const std::string& path);

// Opens a regular file for sequential input without ever blocking (a FIFO or a device is refused),
// reads at most kMaxTextFileBytes of it and decodes it with DecodeTextFile, Windows-1252 being the
// code page; nothing on failure, or for a name with a NUL byte. A name that does not exist as
// written is looked for ignoring case (FindIgnoringCase). |why| says why a file that is there
// cannot be read ("not a regular file (a FIFO)"), and is empty when nothing has the name.
std::optional<TextInput> OpenForInput(const std::string& path, std::string& why);
std::optional<TextInput> OpenForInput(const std::string& path);

// Reads a picture file beside the program, as OpenForInput reads a text file: a regular file only,
// refused unread when larger than kMaxArtFileBytes, and, when its name does not exist as written,
// looked for ignoring case in its own folder only. Absent when nothing has the name.
ArtFile ReadArtFile(const std::string& path);

// Makes the directory current; false when it cannot, or for a name with a NUL byte.
bool ChangeDirectory(const std::string& path);

}  // namespace tarvelin::posix
