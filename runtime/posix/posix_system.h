#pragma once

// The operating system as every POSIX provider offers it to the menu: the application directory
// held from start-up, files read without blocking, programs started without a shell.

#include <functional>
#include <optional>
#include <string>

#include "runtime/posix/posix_services.h"
#include "runtime/system.h"

namespace tarvelin::posix {

class PosixSystem final : public System {
 public:
  // Takes the verdict of the desktop's opener, still to come, on a command line Shell gave it.
  using LateVerdict = std::function<void(OpenerVerdict verdict, const std::string& command_line)>;

  explicit PosixSystem(ApplicationDirectory directory) : directory_(std::move(directory)) {}

  // From here on Shell hands the opener's verdicts to |late| and returns at once; without a taker
  // (none yet, or an empty one) it waits for each verdict and returns it.
  void HandLateVerdictsTo(LateVerdict late) { late_ = std::move(late); }

  std::string AppPath() const override { return directory_.Path(); }
  char PathSeparator() const override { return '/'; }
  std::optional<TextInput> OpenForInput(const std::string& path) override;
  bool ChDrive(char drive) override;
  bool ChDir(const std::string& path) override;
  bool Shell(const std::string& command_line) override;

 private:
  ApplicationDirectory directory_;
  LateVerdict late_;
};

}  // namespace tarvelin::posix
