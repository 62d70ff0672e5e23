#include "runtime/linux/posix_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "runtime/linux/program_start.h"

namespace tarvelin::posix {
namespace {

void ReportRefusal(const std::string& command_line, const std::string& refusal) {
  std::fprintf(stderr, "tarvelin: cannot start \"%s\": %s\n", command_line.c_str(), refusal.c_str());
}

}  // namespace

ProgramStart StartProgram(const std::string& command_line, std::optional<dev_t> medium,
                          const std::string& held_folder) {
  PosixCommands system(medium, held_folder);
  StartResult result = StartCommand(command_line, system);
  return {std::move(result), system.TakeVerdict()};
}

// The menu reads what it can of a file it cannot read whole, and says why on standard error.
std::optional<TextInput> PosixSystem::OpenForInput(const std::string& path) {
  std::string why;
  std::optional<TextInput> input = posix::OpenForInput(path, why);
  if (!input) {
    if (!why.empty())
      std::fprintf(stderr, "tarvelin: %s: %s; the built-in title and commands are used\n", path.c_str(), why.c_str());
    return input;
  }
  input->ReportErrorsTo([path](const std::string& error) {
    std::fprintf(stderr, "tarvelin: %s: %s; only the fields before it are used\n", path.c_str(), error.c_str());
  });
  return input;
}

// POSIX paths have no drive letters, so no drive can be made current.
bool PosixSystem::ChDrive(char) { return false; }

// The application directory is made current through the descriptor held since start-up, so that a
// medium unmounted meanwhile is still where commands are looked for.
bool PosixSystem::ChDir(const std::string& path) {
  if (path != directory_.Path()) return ChangeDirectory(path);
  const bool entered = directory_.MakeCurrent();
  not_entered_ = entered ? std::string() : std::strerror(errno);
  return entered;
}

void PosixSystem::PostLateFailuresThrough(PostEvent post) {
  if (!post) watcher_.Stop();
  post_ = std::move(post);
}

bool PosixSystem::Shell(const std::string& command_line) {
  // The menu goes on when its folder cannot be entered (a folder that lost its execute bits, a
  // medium gone bad); a relative command would then name a file of whatever folder is current.
  ProgramStart start = not_entered_.empty()
                           ? StartProgram(command_line, directory_.Device(), directory_.HeldPath())
                           : ProgramStart{{StartResult::Outcome::Failed, "the menu's folder \"" + directory_.Path() +
                                                                             "\" cannot be entered (" + not_entered_ +
                                                                             "), and no other folder is looked in"}};
  // The menu shows one message for every failure; the real reason goes where a user or a support
  // desk can read it.
  if (!start.result.failure.empty())
    std::fprintf(stderr, "tarvelin: cannot start \"%s\": %s\n", command_line.c_str(), start.result.failure.c_str());
  if (!start.verdict) return start.result.Started();
  std::string why;
  if (!post_ || !watcher_.Start(why)) {
    if (!why.empty())
      std::fprintf(stderr, "tarvelin: waiting for the opener's verdict on \"%s\": %s\n", command_line.c_str(),
                   why.c_str());
    if (start.verdict->Read()) return true;
    ReportRefusal(command_line, start.verdict->Refusal());
    return false;
  }
  watcher_.Watch(std::move(*start.verdict), [post = post_, command_line](bool taken, const std::string& refusal) {
    if (taken) return;
    ReportRefusal(command_line, refusal);
    post({.type = InputEvent::Type::StartFailed, .command = command_line});
  });
  return true;
}

}  // namespace tarvelin::posix
