#pragma once

// Processes on this system: programs started without a shell, and the desktop's opener with its
// verdict. Failures come back as values; nothing here throws or exits.

#include <sys/types.h>
#include <time.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/command_start.h"
#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {

// The first runnable file of this bare name in the directories of PATH (the system's default path
// when PATH is not set); as in execvp an empty entry means the current directory.
std::optional<std::string> FindInSearchPath(const std::string& name);

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
  // Why the opener refused, once Read has said it did: "xdg-open ended with exit status 2 (...)".
  std::string Refusal() const;
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

// Starts the program at |path| with |words| as its arguments, detached in its own session with
// none of the menu's descriptors, reaped by the system when it ends; 0 when it runs, else the error.
int Spawn(const std::string& path, std::vector<std::string>& words);

// Gives a document, folder or link to the desktop's opener, xdg-open, as the menu's own child from
// the root folder; its verdict, still to come, goes to |verdict|. The opener is given a path that
// names the target from anywhere: its full path, or where its folder's path no longer leads to it
// (a medium unmounted lazily), the path through |held_folder|, a /proc path of the descriptor the
// menu holds of the folder a relative |target| is in. Without either, nothing is given to it.
StartResult OpenWithDesktop(const std::string& target, const std::string& held_folder,
                            std::optional<OpenerVerdict>& verdict);

}  // namespace tarvelin::posix
