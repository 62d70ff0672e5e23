#include "runtime/linux/program_start.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "runtime/linux/files.h"
#include "runtime/linux/program_file.h"
#include "runtime/program_rules.h"

namespace tarvelin::posix {
namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

RunAttempt RunFailed(std::string why) { return {RunAttempt::Outcome::Failed, std::move(why)}; }
RunAttempt Ran() { return {RunAttempt::Outcome::Started}; }

// Failures of exec that mean "this file is there but is no program to run".
bool NotAProgram(int error) { return error == EACCES || error == ENOEXEC || error == EISDIR; }

// A path that exec and the dynamic loader take as a file, never as a name to look for elsewhere.
std::string AsFilePath(const std::string& path) { return path.find('/') == std::string::npos ? "./" + path : path; }

// The words that start |file| at |path| without its execute bit: a script through the interpreter
// of its "#!" line, a program through the dynamic loader its header names where that loader is
// there and one for the program's kind of processor (a 32-bit x86 program on an x86-64 system
// with its 32-bit libraries), as the kernel would start them. Nothing for anything else.
std::vector<std::string> WithoutExecuteBit(const ProgramFile& file, const std::string& path,
                                           const std::vector<std::string>& words) {
  std::vector<std::string> through;
  if (file.kind == ProgramFile::Kind::Script && !file.interpreter.empty()) {
    through = {file.interpreter};
    if (!file.interpreter_argument.empty()) through.push_back(file.interpreter_argument);
  } else if (file.kind == ProgramFile::Kind::Program && file.loader_fits) {
    through = {file.loader};
  } else {
    return {};
  }
  through.push_back(AsFilePath(path));
  through.insert(through.end(), words.begin() + 1, words.end());
  return through;
}

// Runs a program found at |path|. A script, or a program with a loader for its kind, on the medium
// that lacks execute bits only because its file system keeps none runs through its interpreter or
// loader, where the mount lets programs run; elsewhere, one without execute bits goes to the opener,
// as does any other file that cannot run as a program (a folder, a script without "#!"). A script
// or program that cannot run for another reason fails with the reason.
RunAttempt Run(const std::string& path, std::vector<std::string>& words, std::optional<dev_t> medium) {
  int error = Spawn(path, words);
  if (error == 0) return Ran();
  if (error != EACCES && error != ENOEXEC && error != ENOENT && error != ENOTDIR && error != EISDIR)
    return RunFailed(WhyItCannotRun({}, error));
  const ProgramFile file = InspectProgramFile(path);
  const bool is_program = file.kind == ProgramFile::Kind::Script || file.kind == ProgramFile::Kind::Program;
  const bool lacks_execute_bit = error == EACCES && is_program && !file.has_execute_bit && !file.on_noexec_mount;
  if (lacks_execute_bit && file.on_file_system_without_modes && medium && file.device == *medium) {
    std::vector<std::string> through = WithoutExecuteBit(file, path, words);
    if (through.empty()) return RunFailed(WhyItCannotRun(file, ENOEXEC));
    error = Spawn(through.front(), through);
    if (error == 0) return Ran();
    return RunFailed(WhyItCannotRun(file, error));
  }
  if (is_program && !lacks_execute_bit) return RunFailed(WhyItCannotRun(file, error));
  if (NotAProgram(error) && Exists(path)) return {RunAttempt::Outcome::NotAProgram, {}, path};
  return RunFailed(WhyItCannotRun(file, error));
}

// The words a program found at |path| runs with: its path, then its arguments.
std::vector<std::string> Words(const std::string& path, const Arguments& arguments) {
  std::vector<std::string> words = {path};
  words.insert(words.end(), arguments.words.begin(), arguments.words.end());
  return words;
}

}  // namespace

std::optional<CommandSystem::Found> PosixCommands::OnMedium(std::string_view name, bool whole_command) {
  SystemFileQueries files;
  return FindOnLinuxMedium(name, whole_command, files);
}

RunAttempt PosixCommands::RunFound(const std::string& path, std::string_view, const Arguments& arguments) {
  std::vector<std::string> words = Words(path, arguments);
  return Run(path, words, medium_);
}

RunAttempt PosixCommands::RunSearched(std::string_view name, const Arguments& arguments, std::string_view) {
  const std::string path = LinuxPath(name);
  std::vector<std::string> words = Words(path, arguments);
  if (path.find('/') != std::string::npos) return Run(path, words, medium_);
  const std::optional<std::string> found = FindInSearchPath(path);
  if (!found) return {RunAttempt::Outcome::NotFound, "no file of that name is on the medium or in PATH"};
  return Run(*found, words, medium_);
}

StartResult PosixCommands::Open(const std::string& target, std::string_view) { return OpenWithDesktop(target, held_folder_, verdict_); }

std::optional<std::string> PosixCommands::Existing(std::string_view name) {
  std::string path = LinuxPath(name);
  if (!Exists(path)) return std::nullopt;
  return path;
}

}  // namespace tarvelin::posix
