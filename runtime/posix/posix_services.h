#pragma once

// The services of a POSIX system that every POSIX provider shares: files, directories and
// starting programs. Failures come back as values; nothing here throws or exits.

#include <sys/types.h>
#include <time.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/artwork.h"
#include "runtime/command_start.h"
#include "runtime/posix/unique_fd.h"
#include "runtime/text_input.h"

namespace tarvelin::posix {

// Gives standard input, output and error a file each, /dev/null for those that are closed. Until
// then the next file the process opens (its display connection, say) would take one of their
// numbers, and every program it starts would inherit that file as its output.
void FillStandardStreams();

// The directory of the file that holds the program's own code, as |maps| (a /proc/PID/maps file)
// names it; ends with "/" only at the root; empty when the system cannot tell. Not the process's
// executable, /proc/self/exe: started through the dynamic loader ("ld.so ./tarvelin", which runs a
// program from a medium whose files carry no execute bits), that is the loader.
std::string ExecutableDirectory(const char* maps = "/proc/self/maps");

// The first runnable file of this bare name in the directories of PATH (the system's default path
// when PATH is not set); as in execvp an empty entry means the current directory.
std::optional<std::string> FindInSearchPath(const std::string& name);

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

 private:
  std::string path_;
  std::string problem_;
  UniqueFd directory_;
};

// The file or folder |path| names on a medium made on Windows, whose names match without regard to
// case: the path as written when it exists, else the first path that exists when each element is
// taken as written or as a name that differs from it only in the case of ASCII letters, those in
// byte order, so that a medium always gives the same file. Nothing when no such path exists.
std::optional<std::string> FindIgnoringCase(const std::string& path);

// Opens a regular file for sequential input without ever blocking (a FIFO or a device is refused),
// reads at most kMaxTextFileBytes of it and decodes it with DecodeTextFile, Windows-1252 being the
// code page; nothing on failure, or for a name with a NUL byte. A name that does not exist as
// written is looked for ignoring case (FindIgnoringCase).
std::optional<TextInput> OpenForInput(const std::string& path);

// Reads a picture file beside the program, as OpenForInput reads a text file: a regular file only,
// refused unread when larger than kMaxArtFileBytes, and looked for ignoring case as OpenForInput
// does. Absent when nothing has the name.
ArtFile ReadArtFile(const std::string& path);

// Makes the directory current; false when it cannot, or for a name with a NUL byte.
bool ChangeDirectory(const std::string& path);

// The verdict of the desktop's opener on a target it was given, which comes in a while after the
// start: the opener decides whether it has an application for the target, and ends with its answer.
// An opener still running when its time to refuse has run out has taken the target (in some
// desktops it runs the application itself and ends only when the user closes that).
class OpenerVerdict {
 public:
  // |opener| has |milliseconds| from now to refuse; |ended| is a descriptor readable once it has
  // ended (a pidfd), or none on a system that has none.
  OpenerVerdict(pid_t opener, UniqueFd ended, int milliseconds);
  // The opener goes with the verdict: the one moved from has none to wait for or reap.
  OpenerVerdict(OpenerVerdict&& other) noexcept;
  OpenerVerdict& operator=(OpenerVerdict&& other) noexcept;

  // Readable once the opener has ended; -1 where the system has no such descriptor.
  int Descriptor() const { return ended_.get(); }
  // How long the opener still has to refuse; 0 once its time has run out.
  int MillisecondsLeft() const;
  // Whether the verdict is in, without waiting.
  bool Ready();
  // Waits for the verdict: true when the opener took the target (or was still busy with it when
  // its time to refuse ran out), false when it refused or could not run.
  bool Read();
  // Reaps the opener if it has ended; true once it is reaped. An opener that took the target may
  // run on long after the verdict, and is reaped when it ends.
  bool Reap();

 private:
  pid_t opener_;
  UniqueFd ended_;
  timespec deadline_{};
  bool reaped_ = false;
  std::optional<int> status_;
  std::optional<bool> taken_;
};

// A start on this system: what became of it, and for a target given to the desktop's opener, the
// opener's verdict, still to come.
struct ProgramStart {
  StartResult result;
  std::optional<OpenerVerdict> verdict{};
};

// Starts a command line without a shell and without waiting, by the rule every system follows
// (StartCommand). On the medium, each way the program name may end (backslashes read as separators)
// is tried relative to the current directory, and the first that names a file which is no
// directory is the program, the rest of the line its arguments. When none does, the program is the
// first word: a bare name searched in PATH, a path as it stands. The program runs detached in
// its own session with none of the menu's descriptors, and is reaped when it ends.
// A file that the system cannot start as a program (a document, a folder, a script on a medium
// mounted without execute rights), and an http:, https: or mailto: link, goes to the desktop's
// opener, xdg-open; its verdict comes later. Nothing starts for no such file, an empty command, or
// one with a NUL byte.
// A name that does not exist as written is looked for ignoring case (FindIgnoringCase), as on the
// Windows medium it was made for. A script or a program of this machine that lacks execute bits
// only because its file system keeps none (FAT, exFAT, NTFS, ISO 9660 without Rock Ridge) runs
// through its interpreter or the dynamic loader when it is on |medium|, the device of the menu's
// own folder, and its mount lets programs run; any other script or program that cannot run fails
// with the reason, and never goes to the opener.
ProgramStart StartProgram(const std::string& command_line, std::optional<dev_t> medium = std::nullopt);

// Waits for openers' verdicts on a thread of its own, so that whoever started them never waits.
class VerdictWatcher {
 public:
  VerdictWatcher() = default;
  ~VerdictWatcher() { Stop(); }
  VerdictWatcher(const VerdictWatcher&) = delete;
  VerdictWatcher& operator=(const VerdictWatcher&) = delete;

  // Starts the watching unless it runs; false, and |why| says why, when the system gives it no
  // thread (a small limit on processes or on the address space) or no pipe to wake it by.
  bool Start(std::string& why);
  // Calls |done| with the verdict (OpenerVerdict::Read) on the watcher's thread once it is in.
  // Nothing is watched unless the watching runs (Start).
  void Watch(OpenerVerdict verdict, std::function<void(bool taken)> done);
  // Ends the watching: verdicts still to come are never reported. Returns once the thread has
  // ended; Start may start it again.
  void Stop();

 private:
  struct Watched {
    OpenerVerdict verdict;
    std::function<void(bool)> done;
  };
  void Run();

  std::mutex mutex_;
  std::vector<Watched> watched_;
  bool stopping_ = false;
  // Wakes the thread when a verdict is added or the watching stops.
  UniqueFd wake_read_, wake_write_;
  std::thread thread_;
};

}  // namespace tarvelin::posix
