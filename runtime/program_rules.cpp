#include "runtime/program_rules.h"

#include <algorithm>

namespace tarvelin {
namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

// The names in |folder| that equal |name| ignoring case, in byte order, so that the same medium
// always gives the same file.
std::vector<std::string> NamesIgnoringCase(const std::string& folder, std::string_view name, FileQueries& files) {
  std::vector<std::string> names;
  for (std::string& candidate : files.Names(folder))
    if (candidate != name && SameIgnoringCase(candidate, name)) names.push_back(std::move(candidate));
  std::sort(names.begin(), names.end());
  return names;
}

// |found|, a path that exists (empty for the current folder, or ending with "/"), followed by the
// elements of |rest| as they exist: each as written first, then each name that differs only in
// case; the first way that reaches the end.
std::optional<std::string> ResolveIgnoringCase(const std::string& found, std::string_view rest, FileQueries& files) {
  rest.remove_prefix(std::min(rest.find_first_not_of('/'), rest.size()));
  if (rest.empty()) return found;
  const std::size_t end = std::min(rest.find('/'), rest.size());
  const std::string element(rest.substr(0, end));
  rest.remove_prefix(end);
  std::vector<std::string> names;
  if (element == "." || element == ".." || files.NameExists(found + element)) names.push_back(element);
  if (element != "." && element != "..") {
    const std::vector<std::string> others = NamesIgnoringCase(found.empty() ? "." : found, element, files);
    names.insert(names.end(), others.begin(), others.end());
  }
  for (const std::string& name : names) {
    if (rest.empty()) return found + name;
    if (std::optional<std::string> path = ResolveIgnoringCase(found + name + "/", rest, files)) return path;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindIgnoringCase(const std::string& path, FileQueries& files) {
  if (path.empty()) return std::nullopt;
  if (files.NameExists(path)) return path;
  return ResolveIgnoringCase(path.front() == '/' ? "/" : "", path, files);
}

std::string LinuxPath(std::string_view program) {
  std::string path(program);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::optional<CommandSystem::Found> FindOnLinuxMedium(std::string_view name, bool whole_command, FileQueries& files) {
  using Kind = FileQueries::Kind;
  const std::string path = LinuxPath(name);
  if (path.empty()) return std::nullopt;
  const auto found_as = [&](const std::string& at) -> std::optional<CommandSystem::Found> {
    const Kind kind = files.KindOf(at);
    if (whole_command && kind == Kind::Folder) return CommandSystem::Found{at, true};
    if (kind == Kind::File) return CommandSystem::Found{at};
    return std::nullopt;
  };
  if (std::optional<CommandSystem::Found> as_written = found_as(path)) return as_written;
  if (path.front() == '/') return std::nullopt;
  // The folder as the medium spells it, or a file there.
  const std::optional<std::string> found = FindIgnoringCase(path, files);
  return found ? found_as(*found) : std::nullopt;
}

std::optional<ScriptLine> ReadScriptLine(std::string_view start) {
  if (!start.starts_with("#!")) return std::nullopt;
  ScriptLine script;
  std::string_view line = start.substr(2);
  line = line.substr(0, std::min(line.find('\n'), line.size()));
  script.carriage_return = !line.empty() && line.back() == '\r';
  constexpr std::string_view kBlanks = " \t";
  line.remove_prefix(std::min(line.find_first_not_of(kBlanks), line.size()));
  const std::size_t interpreter_end = std::min(line.find_first_of(kBlanks), line.size());
  script.interpreter = std::string(line.substr(0, interpreter_end));
  std::string_view argument = line.substr(interpreter_end);
  argument.remove_prefix(std::min(argument.find_first_not_of(kBlanks), argument.size()));
  argument.remove_suffix(argument.size() - std::min(argument.find_last_not_of(kBlanks) + 1, argument.size()));
  script.argument = std::string(argument);
  return script;
}

std::optional<ElfIdentity> ReadElfIdentity(std::string_view start) {
  // The magic, then the class and data bytes of e_ident; the machine field at byte 18. A field the
  // bytes do not reach reads as 0, no class, byte order or machine.
  constexpr std::size_t kClass = 4, kByteOrder = 5, kMachine = 18;
  if (!start.starts_with("\x7f" "ELF")) return std::nullopt;
  const auto byte = [start](std::size_t at) { return at < start.size() ? static_cast<unsigned char>(start[at]) : 0u; };
  ElfIdentity elf;
  elf.is_64_bit = byte(kClass) == 2;
  elf.little_endian = byte(kByteOrder) == 1;
  elf.machine = elf.little_endian ? byte(kMachine) | byte(kMachine + 1) << 8 : byte(kMachine) << 8 | byte(kMachine + 1);
  return elf;
}

std::string WindowsProgramFile(std::string_view name) {
  const std::size_t file = name.find_last_of("\\/:");
  const bool extension = name.find('.', file == std::string_view::npos ? 0 : file + 1) != std::string_view::npos;
  return extension ? std::string(name) : std::string(name) + ".exe";
}

}  // namespace tarvelin
