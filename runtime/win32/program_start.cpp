#include "runtime/win32/program_start.h"

#include "runtime/program_rules.h"
#include "runtime/win32/wide_text.h"

namespace tarvelin {
namespace {

bool CannotBeStartedAsAProgram(DWORD error) {
  return error == ERROR_BAD_EXE_FORMAT || error == ERROR_BAD_FORMAT || error == ERROR_ACCESS_DENIED ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// The command line a program found on the medium gets: its name as written, quoted if it holds a
// blank, so the program reads its arguments as the command meant them.
std::string CommandLineFor(std::string_view written, std::string_view arguments) {
  const bool blank = written.find_first_of(" \t") != std::string_view::npos;
  std::string line = blank ? "\"" + std::string(written) + "\"" : std::string(written);
  if (!arguments.empty()) line.append(" ").append(arguments);
  return line;
}

}  // namespace

std::string SystemReason(const char* call, DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words(text ? text : L"", length);
  LocalFree(text);
  while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ')) words.pop_back();
  std::string reason = std::string(call) + " failed with error " + std::to_string(error);
  return words.empty() ? reason : reason + ": " + WideToUtf8(words);
}

std::optional<CommandSystem::Found> WindowsCommands::OnMedium(std::string_view name, bool) {
  std::string path = starter_.FileOnMedium(WindowsProgramFile(name));
  if (path.empty()) return std::nullopt;
  return Found{std::move(path)};
}

RunAttempt WindowsCommands::RunFound(const std::string& path, std::string_view name, const Arguments& arguments) {
  const DWORD error = starter_.StartProcess(path, CommandLineFor(name, arguments.text));
  if (error == ERROR_SUCCESS) return {RunAttempt::Outcome::Started};
  if (error == kErrorElevationRequired || CannotBeStartedAsAProgram(error))
    return {RunAttempt::Outcome::NotAProgram, {}, path};
  return {RunAttempt::Outcome::Failed, SystemReason("CreateProcess", error)};
}

RunAttempt WindowsCommands::RunSearched(std::string_view name, const Arguments&, std::string_view command_line) {
  const DWORD error = starter_.StartProcess(std::string(), std::string(command_line));
  if (error == ERROR_SUCCESS) return {RunAttempt::Outcome::Started};
  if (error == kErrorElevationRequired) return {RunAttempt::Outcome::NotAProgram, {}, std::string(name)};
  return {CannotBeStartedAsAProgram(error) ? RunAttempt::Outcome::NotFound : RunAttempt::Outcome::Failed,
          SystemReason("CreateProcess", error)};
}

StartResult WindowsCommands::Open(const std::string& target, std::string_view arguments) {
  const DWORD error = starter_.StartThroughShell({target, std::string(arguments)});
  if (error == ERROR_SUCCESS) return {StartResult::Outcome::Started};
  if (error == ERROR_CANCELLED) return {StartResult::Outcome::Declined};
  return {StartResult::Outcome::Failed, SystemReason("ShellExecuteEx", error)};
}

std::optional<std::string> WindowsCommands::Existing(std::string_view name) {
  std::string path = starter_.ExistingFullPath(std::string(name));
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace tarvelin
