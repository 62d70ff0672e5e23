// The command-line splitter on arbitrary text: it never makes characters up, and a line without
// double quotes splits exactly at its runs of spaces and tabs; the program candidates agree with it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/command_line.h"

namespace {

std::vector<std::string> SplitAtBlanks(std::string_view line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) return words;
    const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
    words.emplace_back(line.substr(at, end - at));
    at = end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = tarvelin::SplitCommandLine(line);
  std::size_t characters = 0;
  for (const std::string& word : words) characters += word.size();
  if (characters > size || words.size() > size) std::abort();
  if (line.find('"') == std::string_view::npos && words != SplitAtBlanks(line)) std::abort();

  // The program candidates: the first is the first word, each is longer than the one before, and an
  // unquoted one with its arguments is the line from its first character.
  const std::vector<tarvelin::ProgramCandidate> candidates = tarvelin::ProgramCandidates(line);
  if (candidates.empty() != words.empty()) std::abort();
  if (!candidates.empty() && candidates.front().program != words.front()) std::abort();
  const std::size_t start = line.find_first_not_of(" \t");
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const tarvelin::ProgramCandidate& c = candidates[i];
    if (i > 0 && c.program.size() <= candidates[i - 1].program.size()) std::abort();
    if (line[start] != '"' && line.substr(start) != c.program + std::string(c.arguments)) std::abort();
  }
  return 0;
}
