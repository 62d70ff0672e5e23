#include "runtime/command_start.h"

#include <vector>

#include "runtime/command_line.h"

namespace tarvelin {
namespace {

StartResult Failed(std::string why) { return {StartResult::Outcome::Failed, std::move(why)}; }

}  // namespace

StartResult StartCommand(std::string_view command_line, CommandSystem& system) {
  // The system would take the line only up to a NUL and start what that part names.
  if (command_line.find('\0') != std::string_view::npos) return Failed("the command holds a NUL byte");
  const std::vector<ProgramCandidate> candidates = ProgramCandidates(command_line);
  if (candidates.empty() || candidates.front().program.empty()) return Failed("the command is empty");
  const ProgramCandidate& first = candidates.front();
  // A program that ran, failed, or is no program and goes to the opener.
  const auto finish = [&system](RunAttempt attempt, std::string_view arguments) {
    if (attempt.outcome == RunAttempt::Outcome::Started) return StartResult{StartResult::Outcome::Started};
    if (attempt.outcome == RunAttempt::Outcome::NotAProgram) return system.Open(attempt.target, arguments);
    return Failed(std::move(attempt.failure));
  };
  if (IsDesktopLink(first.program)) return system.Open(first.program, SkipBlanks(first.arguments));

  for (const ProgramCandidate& candidate : candidates) {
    const Arguments arguments{SkipBlanks(candidate.arguments), SplitArguments(candidate.arguments)};
    const std::optional<CommandSystem::Found> found = system.OnMedium(candidate.program, arguments.text.empty());
    if (!found) continue;
    // The whole command naming a folder, a blank in its name or not, opens as a folder opens.
    if (found->folder) return system.Open(found->path, arguments.text);
    return finish(system.RunFound(found->path, candidate.program, arguments), arguments.text);
  }

  const Arguments arguments{SkipBlanks(first.arguments), SplitArguments(first.arguments)};
  RunAttempt searched = system.RunSearched(first.program, arguments, command_line);
  if (searched.outcome != RunAttempt::Outcome::NotFound) return finish(std::move(searched), arguments.text);
  // A document or folder, a blank in its name or not ("Extra Files" as much as "Docs").
  for (const ProgramCandidate& candidate : candidates) {
    if (const std::optional<std::string> target = system.Existing(candidate.program))
      return system.Open(*target, SkipBlanks(candidate.arguments));
  }
  return Failed(searched.failure.empty() ? "no file of that name is on the medium or in the system's search path"
                                         : std::move(searched.failure));
}

}  // namespace tarvelin
