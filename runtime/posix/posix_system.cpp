#include "runtime/posix/posix_system.h"

#include <cstdio>

namespace tarvelin::posix {

std::optional<TextInput> PosixSystem::OpenForInput(const std::string& path) { return posix::OpenForInput(path); }

// POSIX paths have no drive letters, so no drive can be made current.
bool PosixSystem::ChDrive(char) { return false; }

// The application directory is made current through the descriptor held since start-up, so that a
// medium unmounted meanwhile is still where commands are looked for.
bool PosixSystem::ChDir(const std::string& path) {
  return path == directory_.Path() ? directory_.MakeCurrent() : ChangeDirectory(path);
}

bool PosixSystem::Shell(const std::string& command_line) {
  StartResult start = StartProgram(command_line, directory_.Device());
  // The menu shows one message for every failure; the real reason goes where a user or a support
  // desk can read it.
  if (!start.failure.empty())
    std::fprintf(stderr, "tarvelin: cannot start \"%s\": %s\n", command_line.c_str(), start.failure.c_str());
  if (start.verdict) {
    if (!late_) return start.verdict->Read();
    late_(std::move(*start.verdict), command_line);
  }
  return start.started;
}

}  // namespace tarvelin::posix
