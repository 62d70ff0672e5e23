#include "runtime/command_line.h"

#include <algorithm>
#include <cctype>

namespace tarvelin {
namespace {

constexpr std::string_view kBlanks = " \t";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads the argument that starts at |pos| and leaves |pos| just past it.
std::string ReadArgument(std::string_view line, std::size_t& pos) {
  std::string word;
  bool quoted = false;
  while (pos < line.size()) {
    const char c = line[pos];
    if (c == '\\') {
      const std::size_t run_end = std::min(line.find_first_not_of('\\', pos), line.size());
      const std::size_t run = run_end - pos;
      if (run_end < line.size() && line[run_end] == '"') {
        word.append(run / 2, '\\');
        // An odd backslash escapes the quote; after an even run the quote keeps its meaning.
        if (run % 2 == 1) {
          word += '"';
          pos = run_end + 1;
        } else {
          pos = run_end;
        }
      } else {
        word.append(run, '\\');
        pos = run_end;
      }
    } else if (c == '"') {
      if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
        word += '"';
        pos += 2;
      } else {
        quoted = !quoted;
        ++pos;
      }
    } else if (!quoted && IsBlank(c)) {
      break;
    } else {
      word += c;
      ++pos;
    }
  }
  return word;
}

}  // namespace

std::vector<ProgramCandidate> ProgramCandidates(std::string_view line) {
  std::vector<ProgramCandidate> candidates;
  const std::size_t start = line.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return candidates;

  if (line[start] == '"') {
    const std::size_t close = std::min(line.find('"', start + 1), line.size());
    candidates.push_back({std::string(line.substr(start + 1, close - start - 1)), line.substr(std::min(close + 1, line.size()))});
    return candidates;
  }
  // Trailing blanks end no candidate: no name ends in a blank.
  const std::size_t last = line.find_last_not_of(kBlanks);
  for (std::size_t end = start; end <= last; ++end) {
    if (end == last || (IsBlank(line[end + 1]) && !IsBlank(line[end])))
      candidates.push_back({std::string(line.substr(start, end + 1 - start)), line.substr(end + 1)});
  }
  return candidates;
}

ProgramCandidate ProgramName(std::string_view line) {
  std::vector<ProgramCandidate> candidates = ProgramCandidates(line);
  if (candidates.empty()) return {};
  return {std::move(candidates.front().program), SkipBlanks(candidates.front().arguments)};
}

std::string_view SkipBlanks(std::string_view text) {
  return text.substr(std::min(text.find_first_not_of(kBlanks), text.size()));
}

std::vector<std::string> SplitArguments(std::string_view arguments) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while ((pos = arguments.find_first_not_of(kBlanks, pos)) != std::string_view::npos)
    words.push_back(ReadArgument(arguments, pos));
  return words;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<ProgramCandidate> candidates = ProgramCandidates(line);
  if (candidates.empty()) return {};
  std::vector<std::string> words = {std::move(candidates.front().program)};
  for (std::string& argument : SplitArguments(candidates.front().arguments)) words.push_back(std::move(argument));
  return words;
}

bool IsDesktopLink(std::string_view program) {
  auto starts_with = [&](std::string_view scheme) {
    if (program.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(program[i])) != scheme[i]) return false;
    return true;
  };
  return starts_with("http:") || starts_with("https:") || starts_with("mailto:");
}

}  // namespace tarvelin
