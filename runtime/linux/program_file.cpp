#include "runtime/linux/program_file.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "runtime/linux/unique_fd.h"
#include "runtime/program_rules.h"

namespace tarvelin::posix {
namespace {

#if defined(__x86_64__)
constexpr unsigned kThisMachine = EM_X86_64;
constexpr const char* kThisMachineName = "x86-64";
#elif defined(__aarch64__)
constexpr unsigned kThisMachine = EM_AARCH64;
constexpr const char* kThisMachineName = "ARM64";
#elif defined(__i386__)
constexpr unsigned kThisMachine = EM_386;
constexpr const char* kThisMachineName = "x86";
#else
constexpr unsigned kThisMachine = EM_NONE;
constexpr const char* kThisMachineName = "this";
#endif
constexpr unsigned char kThisClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kThisByteOrder = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

// The longest "#!" line the kernel reads (BINPRM_BUF_SIZE), and so the longest read here.
constexpr std::size_t kScriptLineBytes = 256;

// File systems whose files carry no mode of their own: the mount gives every file the same one.
// FUSE is among them, for the FUSE drivers of FAT, exFAT, NTFS and ISO 9660 that desktops use.
bool KeepsNoModes(const struct statfs& info) {
  constexpr long kMsdos = 0x4d44, kExfat = 0x2011BAB0, kNtfs = 0x5346544e, kIso9660 = 0x9660, kUdf = 0x15013346,
                 kFuse = 0x65735546;
  const long type = static_cast<long>(info.f_type);
  return type == kMsdos || type == kExfat || type == kNtfs || type == kIso9660 || type == kUdf || type == kFuse;
}

// Reads the bytes of |file| at an offset, as ReadElfProgram asks for them.
ReadBytesAt ReaderOf(int file) {
  return [file](std::uint64_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    const ssize_t got = offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())
                            ? -1
                            : pread(file, bytes.data(), count, static_cast<off_t>(offset));
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
  };
}

bool IsThisMachine(const ElfProgram& program) {
  return program.wide == (kThisClass == ELFCLASS64) && program.little_endian == (kThisByteOrder == ELFDATA2LSB) &&
         program.machine == kThisMachine;
}

// The machine of an ELF file, its loader, and whether the loader is one for its kind of processor.
void ReadProgramHeaders(int file, ProgramFile& program) {
  const std::optional<ElfProgram> elf = ReadElfProgram(ReaderOf(file));
  if (!elf) return;
  program.machine = elf->machine;
  program.machine_kind = ElfProgramKind(*elf);
  program.this_machine = IsThisMachine(*elf);
  program.loader = elf->loader;
  if (program.loader.empty()) return;
  const UniqueFd loader(open(program.loader.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (!loader || fstat(loader.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const std::optional<ElfProgram> loader_elf = ReadElfProgram(ReaderOf(loader.get()));
  program.loader_fits = loader_elf && loader_elf->wide == elf->wide &&
                        loader_elf->little_endian == elf->little_endian && loader_elf->machine == elf->machine;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\r') quoted += "\\r";
    else quoted += c;
  }
  return quoted + '"';
}

}  // namespace

const char* ThisMachineName() { return kThisMachineName; }

ProgramFile InspectProgramFile(const std::string& path) {
  ProgramFile program;
  const UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (!file || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return program;
  program.device = info.st_dev;
  program.has_execute_bit = (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
  struct statvfs mount {};
  program.on_noexec_mount = fstatvfs(file.get(), &mount) == 0 && (mount.f_flag & ST_NOEXEC) != 0;
  struct statfs file_system {};
  program.on_file_system_without_modes = fstatfs(file.get(), &file_system) == 0 && KeepsNoModes(file_system);

  std::array<char, kScriptLineBytes> start{};
  const ssize_t got = pread(file.get(), start.data(), start.size(), 0);
  const std::string_view bytes(start.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
  if (const std::optional<ScriptLine> script = ReadScriptLine(bytes)) {
    program.kind = ProgramFile::Kind::Script;
    program.interpreter = script->interpreter;
    program.interpreter_argument = script->argument;
    program.carriage_return = script->carriage_return;
  } else if (bytes.starts_with(ELFMAG)) {
    program.kind = ProgramFile::Kind::Program;
    ReadProgramHeaders(file.get(), program);
  } else {
    program.kind = ProgramFile::Kind::Other;
  }
  return program;
}

std::string WhyItCannotRun(const ProgramFile& file, int error) {
  if (error == EMFILE || error == ENFILE)
    return std::string(std::strerror(error)) + ": starting a program takes three more descriptors than the menu holds";
  if (file.on_noexec_mount)
    return "the medium is mounted with noexec, which lets no program on it run";
  if (file.kind == ProgramFile::Kind::Script) {
    if (file.carriage_return)
      return "its first line ends in a carriage return (saved with Windows line ends), so its interpreter would be " +
             Quoted(file.interpreter + (file.interpreter_argument.empty() ? "" : " " + file.interpreter_argument)) +
             ", which does not exist";
    if (error == ENOENT || error == ENOTDIR) return "its interpreter " + Quoted(file.interpreter) + " does not exist";
  }
  if (file.kind == ProgramFile::Kind::Program) {
    if (file.loader.empty() && !file.has_execute_bit)
      return "it has no execute bit, and a program linked statically runs only with one";
    // A 32-bit x86 program on an x86-64 system without its 32-bit libraries, for one.
    const bool loader_missing = !file.loader.empty() && (error == ENOENT || !file.loader_fits) && !Exists(file.loader);
    if (!file.this_machine && loader_missing)
      return "it is a program for " + file.machine_kind + ", and its loader " + Quoted(file.loader) +
             " does not exist on this system";
    if (!file.this_machine && (error == ENOEXEC || !file.loader_fits))
      return "it is a program for another kind of processor (ELF machine " + std::to_string(file.machine) +
             "), not for " + kThisMachineName;
    if (loader_missing) return "its loader " + Quoted(file.loader) + " does not exist";
  }
  return std::strerror(error);
}

}  // namespace tarvelin::posix
