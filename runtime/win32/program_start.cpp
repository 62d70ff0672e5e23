#include "runtime/win32/program_start.h"

#include <algorithm>
#include <optional>

#include "runtime/command_line.h"
#include "runtime/win32/wide_text.h"

namespace tarvelin {
namespace {

bool CannotBeStartedAsAProgram(DWORD error) {
  return error == ERROR_BAD_EXE_FORMAT || error == ERROR_BAD_FORMAT || error == ERROR_ACCESS_DENIED ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// A program found on the medium: its full path, its name as the command wrote it, its arguments.
struct FoundProgram {
  std::wstring path;
  std::wstring written;
  std::wstring arguments;
};

bool HasExtension(std::wstring_view name) {
  const std::size_t file = name.find_last_of(L"\\/:");
  return name.find(L'.', file == std::wstring_view::npos ? 0 : file + 1) != std::wstring_view::npos;
}

std::optional<FoundProgram> FindOnMedium(std::wstring_view command_line, ProgramStarter& starter) {
  const std::string line = WideToUtf8(command_line);
  for (const ProgramCandidate& candidate : ProgramCandidates(line)) {
    std::wstring name = Utf8ToWide(candidate.program);
    if (name.empty()) continue;
    std::wstring path = starter.FileOnMedium(HasExtension(name) ? name : name + L".exe");
    if (path.empty()) continue;
    return FoundProgram{std::move(path), std::move(name), Utf8ToWide(SkipBlanks(candidate.arguments))};
  }
  return std::nullopt;
}

// The command line a found program gets: its name as written, quoted if it holds a blank, so the
// program reads its arguments as the command meant them.
std::wstring CommandLineFor(const FoundProgram& found) {
  const bool blank = found.written.find_first_of(L" \t") != std::wstring::npos;
  std::wstring line = blank ? L"\"" + found.written + L"\"" : found.written;
  if (!found.arguments.empty()) line += L" " + found.arguments;
  return line;
}

StartResult OpenThroughShell(const ProgramAndArguments& command, ProgramStarter& starter) {
  const DWORD error = starter.StartThroughShell(command);
  if (error == ERROR_SUCCESS) return StartResult::Started;
  return error == ERROR_CANCELLED ? StartResult::Declined : StartResult::Failed;
}

}  // namespace

ProgramAndArguments SplitProgramFromArguments(std::wstring_view command_line) {
  // UTF-8 and back is lossless, unpaired surrogates included (wide_text.h).
  const std::string line = WideToUtf8(command_line);
  const ProgramCandidate name = ProgramName(line);
  return {Utf8ToWide(name.program), Utf8ToWide(name.arguments)};
}

StartResult StartCommand(std::wstring_view command_line, ProgramStarter& starter) {
  // The system would take the line only up to a NUL and start what that part names.
  if (command_line.find(L'\0') != std::wstring_view::npos) return StartResult::Failed;
  const ProgramAndArguments command = SplitProgramFromArguments(command_line);
  if (command.program.empty()) return StartResult::Failed;
  if (IsDesktopLink(WideToUtf8(command.program))) return OpenThroughShell(command, starter);
  if (const std::optional<FoundProgram> found = FindOnMedium(command_line, starter)) {
    const DWORD error = starter.StartProcess(found->path, CommandLineFor(*found));
    if (error == ERROR_SUCCESS) return StartResult::Started;
    if (error != kErrorElevationRequired && !CannotBeStartedAsAProgram(error)) return StartResult::Failed;
    return OpenThroughShell({found->path, found->arguments}, starter);
  }
  const DWORD error = starter.StartProcess(std::wstring(), std::wstring(command_line));
  if (error == ERROR_SUCCESS) return StartResult::Started;
  if (error == kErrorElevationRequired) return OpenThroughShell(command, starter);
  if (!CannotBeStartedAsAProgram(error)) return StartResult::Failed;
  // A document or folder, a blank in its name or not ("Extra Files" as much as "Docs"), opens
  // through the shell.
  const std::string line = WideToUtf8(command_line);
  for (const ProgramCandidate& candidate : ProgramCandidates(line)) {
    std::wstring target = starter.ExistingFullPath(Utf8ToWide(candidate.program));
    if (!target.empty()) return OpenThroughShell({std::move(target), Utf8ToWide(SkipBlanks(candidate.arguments))}, starter);
  }
  return StartResult::Failed;
}

}  // namespace tarvelin
