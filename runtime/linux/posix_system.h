#pragma once

// The operating system as every POSIX provider offers it to the menu: the application directory
// held from start-up, files read without blocking, programs started without a shell, and the
// desktop opener's verdicts watched on a thread of the system's own.

#include <functional>
#include <optional>
#include <string>

#include "runtime/events.h"
#include "runtime/linux/files.h"
#include "runtime/linux/process.h"
#include "runtime/linux/verdict_watcher.h"
#include "runtime/system.h"

namespace tarvelin::posix {

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
// Windows medium it was made for. A script, or a program whose loader is there for its kind of
// processor (one of this machine's, a 32-bit x86 one on x86-64), that lacks execute bits only
// because its file system keeps none (FAT, exFAT, NTFS, ISO 9660 without Rock Ridge) runs
// through its interpreter or the dynamic loader when it is on |medium|, the device of the menu's
// own folder, and its mount lets programs run; elsewhere, one without execute bits goes to the
// opener, as a double-click hands it to the desktop. A script or program that cannot run for any
// other reason (a missing interpreter or loader, another processor, a mount without programs) fails
// with the reason, and never goes to the opener. The opener is given a target's full path, or,
// where that no longer leads to it (a medium unmounted lazily), its path through |held_folder|
// (ApplicationDirectory::HeldPath), which leads to the current folder.
ProgramStart StartProgram(const std::string& command_line, std::optional<dev_t> medium = std::nullopt,
                          const std::string& held_folder = {});

class PosixSystem final : public System {
 public:
  // Puts an event in the menu's event loop; called from any thread.
  using PostEvent = std::function<void(InputEvent event)>;

  explicit PosixSystem(ApplicationDirectory directory) : directory_(std::move(directory)) {}

  // From here on Shell returns as soon as the desktop's opener has a target, and an opener that
  // refuses it later is posted through |post| as a StartFailed event with the command line. Without
  // a poster (none yet, an empty one), or where the system gives no thread to watch with, Shell
  // waits for each verdict and returns it. An empty |post| ends the watching; verdicts still to
  // come are dropped.
  void PostLateFailuresThrough(PostEvent post);

  std::string AppPath() const override { return directory_.Path(); }
  char PathSeparator() const override { return '/'; }
  std::optional<TextInput> OpenForInput(const std::string& path) override;
  bool ChDrive(char drive) override;
  bool ChDir(const std::string& path) override;
  bool Shell(const std::string& command_line) override;

 private:
  ApplicationDirectory directory_;
  // Why the application directory could not be made current the last time it was asked to be;
  // empty when it was. A command is then looked for nowhere else.
  std::string not_entered_;
  PostEvent post_;
  // Declared last, so that its thread ends before anything it posts through goes away.
  VerdictWatcher watcher_;
};

}  // namespace tarvelin::posix
