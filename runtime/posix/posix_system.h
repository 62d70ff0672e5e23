#pragma once

// The operating system as every POSIX provider offers it to the menu: the application directory
// held from start-up, files read without blocking, programs started without a shell, and the
// desktop opener's verdicts watched on a thread of the system's own.

#include <functional>
#include <optional>
#include <string>

#include "runtime/events.h"
#include "runtime/posix/posix_services.h"
#include "runtime/system.h"

namespace tarvelin::posix {

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
