#include "runtime/program_rules.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tarvelin {
namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

// What is left of one lookup's reading (kMostFoldersListed, kMostNamesRead).
struct LookupBudget {
  int folders = kMostFoldersListed;
  std::size_t names = kMostNamesRead;
  // A listing was refused: the lookup ends without a path.
  bool spent = false;
};

// The names in |folder| that equal |name| ignoring case, in byte order, so that the same medium
// always gives the same file. Nothing once the lookup's budget is spent.
std::vector<std::string> NamesIgnoringCase(const std::string& folder, std::string_view name, FileQueries& files,
                                           LookupBudget& budget) {
  std::vector<std::string> names;
  if (budget.folders == 0 || budget.names == 0) {
    budget.spent = true;
    return names;
  }
  --budget.folders;
  std::vector<std::string> listed = files.Names(folder);
  if (listed.size() > budget.names) listed.resize(budget.names);
  budget.names -= listed.size();
  for (std::string& candidate : listed)
    if (candidate != name && SameIgnoringCase(candidate, name)) names.push_back(std::move(candidate));
  std::sort(names.begin(), names.end());
  return names;
}

// |found|, a path that exists (empty for the current folder, or ending with "/"), followed by the
// elements of |rest| as they exist: each as written first, then each name that differs only in
// case; the first way that reaches the end.
std::optional<std::string> ResolveIgnoringCase(const std::string& found, std::string_view rest, FileQueries& files,
                                               LookupBudget& budget) {
  rest.remove_prefix(std::min(rest.find_first_not_of('/'), rest.size()));
  if (rest.empty()) return found;
  const std::size_t end = std::min(rest.find('/'), rest.size());
  const std::string element(rest.substr(0, end));
  rest.remove_prefix(end);
  const auto through = [&](const std::string& name) -> std::optional<std::string> {
    if (rest.empty()) return found + name;
    return ResolveIgnoringCase(found + name + "/", rest, files, budget);
  };
  const bool special = element == "." || element == "..";
  if (special || files.NameExists(found + element)) {
    if (std::optional<std::string> path = through(element)) return path;
    if (special) return std::nullopt;
  }
  // The folder is listed only when the name as written leads nowhere.
  for (const std::string& name : NamesIgnoringCase(found.empty() ? "." : found, element, files, budget)) {
    if (std::optional<std::string> path = through(name)) return path;
    if (budget.spent) return std::nullopt;
  }
  return std::nullopt;
}

// ELF's own numbers, as <elf.h> gives them on Linux; written out, as Windows builds have no <elf.h>.
constexpr std::string_view kElfMagic = "\x7f" "ELF";
constexpr std::size_t kElfClass = 4, kElfByteOrder = 5;
constexpr unsigned char kElfClass64 = 2, kElfLittleEndian = 1;
constexpr unsigned kMachineX86 = 3, kMachineX86_64 = 62, kProgramHeaderInterpreter = 3;
// A loader's path longer than this is no loader a system has.
constexpr std::uint64_t kLoaderPathBytes = 4096;
// More program headers than this is no program a linker made.
constexpr unsigned kMostProgramHeaders = 256;
constexpr std::size_t kLargestProgramHeader = 256;

// An unsigned number of |size| bytes at |at| of |bytes|, in the byte order given; 0 past their end.
std::uint64_t NumberAt(std::string_view bytes, std::size_t at, std::size_t size, bool little_endian) {
  if (at + size > bytes.size()) return 0;
  std::uint64_t number = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint64_t byte = static_cast<unsigned char>(bytes[at + (little_endian ? size - 1 - i : i)]);
    number = number << 8 | byte;
  }
  return number;
}

}  // namespace

std::optional<ElfProgram> ReadElfProgram(const ReadBytesAt& read) {
  // The file header of a 64-bit program is 64 bytes, of a 32-bit one 52; what a shorter file
  // lacks reads as 0.
  const std::string header = read(0, 64);
  if (!header.starts_with(kElfMagic)) return std::nullopt;
  ElfProgram program;
  program.wide = static_cast<unsigned char>(header[kElfClass]) == kElfClass64;
  program.little_endian = static_cast<unsigned char>(header[kElfByteOrder]) == kElfLittleEndian;
  const auto number = [&program](std::string_view bytes, std::size_t at, std::size_t size) {
    return NumberAt(bytes, at, size, program.little_endian);
  };
  program.machine = static_cast<unsigned>(number(header, 18, 2));
  // Where the table of program headers lies, and the size and number of its entries.
  const std::uint64_t table = program.wide ? number(header, 32, 8) : number(header, 28, 4);
  const std::size_t entry_size = number(header, program.wide ? 54 : 42, 2);
  const unsigned entries = static_cast<unsigned>(number(header, program.wide ? 56 : 44, 2));
  const std::size_t least_entry = program.wide ? 56 : 32;
  if (entry_size < least_entry || entry_size > kLargestProgramHeader || entries > kMostProgramHeaders) return program;
  const std::string headers = read(table, entry_size * entries);
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t at = i * entry_size;
    if (number(headers, at, 4) != kProgramHeaderInterpreter) continue;
    const std::uint64_t offset = program.wide ? number(headers, at + 8, 8) : number(headers, at + 4, 4);
    const std::uint64_t size = program.wide ? number(headers, at + 32, 8) : number(headers, at + 16, 4);
    if (size < 2 || size > kLoaderPathBytes) continue;
    const std::string loader = read(offset, static_cast<std::size_t>(size));
    program.loader = loader.substr(0, loader.find('\0'));
  }
  return program;
}

bool IsX86_64Program(const ElfProgram& program) {
  return program.wide && program.little_endian && program.machine == kMachineX86_64;
}

bool IsX86Program(const ElfProgram& program) {
  return !program.wide && program.little_endian && program.machine == kMachineX86;
}

std::string ElfProgramKind(const ElfProgram& program) {
  if (IsX86_64Program(program)) return "x86-64";
  if (IsX86Program(program)) return "32-bit x86";
  return "ELF machine " + std::to_string(program.machine);
}

std::optional<std::string> FindIgnoringCase(const std::string& path, FileQueries& files) {
  if (path.empty()) return std::nullopt;
  if (files.NameExists(path)) return path;
  LookupBudget budget;
  return ResolveIgnoringCase(path.front() == '/' ? "/" : "", path, files, budget);
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

std::string WindowsProgramFile(std::string_view name) {
  const std::size_t file = name.find_last_of("\\/:");
  const bool extension = name.find('.', file == std::string_view::npos ? 0 : file + 1) != std::string_view::npos;
  return extension ? std::string(name) : std::string(name) + ".exe";
}

}  // namespace tarvelin
