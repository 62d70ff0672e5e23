#pragma once

// The decisions each system's program start takes about the files a command names, made here once
// over the few questions they ask of a file system: the programs ask their own system, the
// author's tool asks the folder of a medium, and both decide alike.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/command_start.h"

namespace tarvelin {

// The questions asked of a file system. Relative paths are from the folder the menu runs in.
class FileQueries {
 public:
  enum class Kind { Missing, File, Folder };
  virtual ~FileQueries() = default;
  // What |path| is, a link followed to what it names; anything that exists and is no folder (a
  // device, a pipe) is a file, as the programs take it.
  virtual Kind KindOf(const std::string& path) = 0;
  // True when |path| exists, a dangling link included.
  virtual bool NameExists(const std::string& path) = 0;
  // The names in the folder |folder| (ending with "/", or "." for the current one), in any order;
  // a system may stop at kMostNamesRead of them.
  virtual std::vector<std::string> Names(const std::string& folder) = 0;
};

// What one lookup ignoring case may read, so that no medium can make it last: a medium whose
// folders hold names that differ only in case at every level (or links that lead back) would
// otherwise make the work double with each level.
inline constexpr int kMostFoldersListed = 64;
inline constexpr std::size_t kMostNamesRead = 1 << 16;

// The file or folder |path| names on a medium made on Windows, whose names match without regard to
// case: the path as written when it exists, else the first path that exists when each element is
// taken as written or as a name that differs from it only in the case of ASCII letters, those in
// byte order, so that a medium always gives the same file. Nothing when no such path exists, or
// when the lookup has listed kMostFoldersListed folders or read kMostNamesRead names.
std::optional<std::string> FindIgnoringCase(const std::string& path, FileQueries& files);

// --- Linux

// A program name of a command as a Linux path: backslashes are separators, so that one options.ini
// serves Windows too.
std::string LinuxPath(std::string_view program);

// The file a program name of the command names on a Linux medium, or the folder when the name is
// |whole_command|: the name as written, else, for a relative name, ignoring case, as a medium made
// on Windows may differ in case from its options.ini and works there.
std::optional<CommandSystem::Found> FindOnLinuxMedium(std::string_view name, bool whole_command, FileQueries& files);

// The "#!" line of a script, split as the Linux kernel splits it: the interpreter runs to the first
// blank, and the rest of the line, less its blanks at both ends, is one argument.
struct ScriptLine {
  std::string interpreter, argument;
  // The line ends in a carriage return, which the kernel takes as part of the line.
  bool carriage_return = false;
};
// The script line at the start of a file's first bytes; nothing when they do not start with "#!".
std::optional<ScriptLine> ReadScriptLine(std::string_view start);

// What the header of an ELF file says about the program: its word size, byte order and kind of
// processor, and the dynamic loader its program header names (PT_INTERP), which the kernel runs it
// through, and which can run it where the file has no execute bit.
struct ElfProgram {
  bool wide = false;           // 64-bit
  bool little_endian = false;  // its byte order
  unsigned machine = 0;        // its ELF machine number
  std::string loader{};        // empty for a program linked statically
};
// The bytes of a file at an offset: as many as asked, fewer at the file's end or where it cannot be read.
using ReadBytesAt = std::function<std::string(std::uint64_t offset, std::size_t count)>;
// The ELF program a file holds, read through |read|; nothing when it does not start as an ELF file.
std::optional<ElfProgram> ReadElfProgram(const ReadBytesAt& read);
// The kind of processor an ELF program is for, in words: "x86-64", "32-bit x86", or
// "ELF machine 183" for one without a name here.
std::string ElfProgramKind(const ElfProgram& program);
// An x86-64 program, or a 32-bit x86 one, which x86-64 systems run through its loader where they
// have it (their 32-bit libraries).
bool IsX86_64Program(const ElfProgram& program);
bool IsX86Program(const ElfProgram& program);

// --- Windows

// The file Windows looks for on the medium for a program name: the name, with .exe added when it
// has no extension.
std::string WindowsProgramFile(std::string_view name);

}  // namespace tarvelin
