#include "runtime/win32/program_start.h"

namespace tarvelin {
namespace {

bool CannotBeStartedAsAProgram(DWORD error) {
  return error == ERROR_BAD_EXE_FORMAT || error == ERROR_BAD_FORMAT || error == ERROR_ACCESS_DENIED ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

bool HasExtension(std::string_view name) {
  const std::size_t file = name.find_last_of("\\/:");
  return name.find('.', file == std::string_view::npos ? 0 : file + 1) != std::string_view::npos;
}

// The command line a program found on the medium gets: its name as written, quoted if it holds a
// blank, so the program reads its arguments as the command meant them.
std::string CommandLineFor(std::string_view written, std::string_view arguments) {
  const bool blank = written.find_first_of(" \t") != std::string_view::npos;
  std::string line = blank ? "\"" + std::string(written) + "\"" : std::string(written);
  if (!arguments.empty()) line.append(" ").append(arguments);
  return line;
}

// Windows's answers to the rule, over the system calls of |starter|.
class WindowsCommands final : public CommandSystem {
 public:
  explicit WindowsCommands(ProgramStarter& starter) : starter_(starter) {}

  // A file only, with .exe added to a name without an extension; a folder on the medium is found
  // as an existing name once CreateProcessW has failed.
  std::optional<Found> OnMedium(std::string_view name, bool) override {
    std::string file(name);
    if (!HasExtension(name)) file += ".exe";
    std::string path = starter_.FileOnMedium(file);
    if (path.empty()) return std::nullopt;
    return Found{std::move(path)};
  }

  RunAttempt RunFound(const std::string& path, std::string_view name, const Arguments& arguments) override {
    const DWORD error = starter_.StartProcess(path, CommandLineFor(name, arguments.text));
    if (error == ERROR_SUCCESS) return {RunAttempt::Outcome::Started};
    if (error == kErrorElevationRequired || CannotBeStartedAsAProgram(error))
      return {RunAttempt::Outcome::NotAProgram, {}, path};
    return {RunAttempt::Outcome::Failed};
  }

  // CreateProcessW searches for the program of the command line as it stands.
  RunAttempt RunSearched(std::string_view name, const Arguments&, std::string_view command_line) override {
    const DWORD error = starter_.StartProcess(std::string(), std::string(command_line));
    if (error == ERROR_SUCCESS) return {RunAttempt::Outcome::Started};
    if (error == kErrorElevationRequired) return {RunAttempt::Outcome::NotAProgram, {}, std::string(name)};
    return {CannotBeStartedAsAProgram(error) ? RunAttempt::Outcome::NotFound : RunAttempt::Outcome::Failed};
  }

  StartResult Open(const std::string& target, std::string_view arguments) override {
    const DWORD error = starter_.StartThroughShell({target, std::string(arguments)});
    if (error == ERROR_SUCCESS) return {StartResult::Outcome::Started};
    return {error == ERROR_CANCELLED ? StartResult::Outcome::Declined : StartResult::Outcome::Failed};
  }

  std::optional<std::string> Existing(std::string_view name) override {
    std::string path = starter_.ExistingFullPath(std::string(name));
    if (path.empty()) return std::nullopt;
    return path;
  }

 private:
  ProgramStarter& starter_;
};

}  // namespace

StartResult StartCommand(std::string_view command_line, ProgramStarter& starter) {
  WindowsCommands system(starter);
  return StartCommand(command_line, system);
}

}  // namespace tarvelin
