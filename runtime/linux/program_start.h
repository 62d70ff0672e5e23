#pragma once

// This system's answers to the rule of starting a command (runtime/command_start.h): names looked
// for on the medium, programs run, with those that lack execute bits on a medium without them run
// through their interpreter or loader, and the rest handed to the desktop's opener.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "runtime/command_start.h"
#include "runtime/linux/process.h"

namespace tarvelin::posix {

// What the rule asks of this system, for a menu whose folder is on |medium|. Relative names are
// looked for from the current directory; a name that does not exist as written is looked for
// ignoring case (FindIgnoringCase), as on the Windows medium it was made for. A target given to the
// opener leaves the opener's verdict behind; it is given the target through |held_folder|, a path
// that leads to the current folder whatever has become of its own (OpenWithDesktop).
class PosixCommands final : public CommandSystem {
 public:
  explicit PosixCommands(std::optional<dev_t> medium, std::string held_folder = {})
      : medium_(medium), held_folder_(std::move(held_folder)) {}

  std::optional<Found> OnMedium(std::string_view name, bool whole_command) override;
  // A script, or a program whose loader is there for its kind of processor, that lacks execute
  // bits only because its file system keeps none (FAT, exFAT, NTFS, ISO 9660 without Rock Ridge)
  // runs through its interpreter or the dynamic loader when it is on the medium and its mount lets
  // programs run; elsewhere, one without execute bits goes to the opener, as a double-click hands it
  // to the desktop. One that cannot run for any other reason (a missing interpreter or loader,
  // another processor, a mount without programs) fails with the reason, and never goes to the
  // opener.
  RunAttempt RunFound(const std::string& path, std::string_view name, const Arguments& arguments) override;
  // A bare name is searched in PATH; a path runs as it stands.
  RunAttempt RunSearched(std::string_view name, const Arguments& arguments, std::string_view command_line) override;
  // The opener is given the target alone.
  StartResult Open(const std::string& target, std::string_view arguments) override;
  std::optional<std::string> Existing(std::string_view name) override;

  // The verdict of the opener the start gave a target to, still to come; nothing when it gave none.
  std::optional<OpenerVerdict> TakeVerdict() { return std::move(verdict_); }

 private:
  std::optional<dev_t> medium_;
  std::string held_folder_;
  std::optional<OpenerVerdict> verdict_;
};

}  // namespace tarvelin::posix
