#include "runtime/win32/command_line.h"

#include "runtime/command_line.h"
#include "runtime/win32/wide_text.h"

namespace tarvelin {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool CannotBeStartedAsAProgram(DWORD error) {
  return error == ERROR_BAD_EXE_FORMAT || error == ERROR_BAD_FORMAT || error == ERROR_ACCESS_DENIED ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

StartResult OpenThroughShell(const ProgramAndArguments& command, ProgramStarter& starter) {
  const DWORD error = starter.StartThroughShell(command);
  if (error == ERROR_SUCCESS) return StartResult::Started;
  return error == ERROR_CANCELLED ? StartResult::Declined : StartResult::Failed;
}

}  // namespace

ProgramAndArguments SplitProgramFromArguments(std::wstring_view command_line) {
  std::size_t at = 0;
  while (at < command_line.size() && IsBlank(command_line[at])) ++at;
  ProgramAndArguments out;
  if (at < command_line.size() && command_line[at] == L'"') {
    const std::size_t close = command_line.find(L'"', at + 1);
    const std::size_t end = close == std::wstring_view::npos ? command_line.size() : close;
    out.program = command_line.substr(at + 1, end - at - 1);
    at = close == std::wstring_view::npos ? end : close + 1;
  } else {
    const std::size_t start = at;
    while (at < command_line.size() && !IsBlank(command_line[at])) ++at;
    out.program = command_line.substr(start, at - start);
  }
  while (at < command_line.size() && IsBlank(command_line[at])) ++at;
  out.arguments = command_line.substr(at);
  return out;
}

StartResult StartCommand(std::wstring_view command_line, ProgramStarter& starter) {
  const ProgramAndArguments command = SplitProgramFromArguments(command_line);
  if (command.program.empty()) return StartResult::Failed;
  if (IsDesktopLink(WideToUtf8(command.program))) return OpenThroughShell(command, starter);
  const DWORD error = starter.StartProcess(std::wstring(command_line));
  if (error == ERROR_SUCCESS) return StartResult::Started;
  if (error == kErrorElevationRequired) return OpenThroughShell(command, starter);
  if (!CannotBeStartedAsAProgram(error)) return StartResult::Failed;
  std::wstring target = starter.ExistingFullPath(command.program);
  if (target.empty()) return StartResult::Failed;
  return OpenThroughShell({std::move(target), command.arguments}, starter);
}

}  // namespace tarvelin
