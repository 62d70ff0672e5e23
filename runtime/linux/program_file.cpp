#include "runtime/linux/program_file.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

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
// A loader's path longer than this is no loader a system has.
constexpr std::size_t kLoaderPathBytes = 4096;
// More program headers than this is no program a linker made.
constexpr std::size_t kMostProgramHeaders = 256;

// File systems whose files carry no mode of their own: the mount gives every file the same one.
// FUSE is among them, for the FUSE drivers of FAT, exFAT, NTFS and ISO 9660 that desktops use.
bool KeepsNoModes(const struct statfs& info) {
  constexpr long kMsdos = 0x4d44, kExfat = 0x2011BAB0, kNtfs = 0x5346544e, kIso9660 = 0x9660, kUdf = 0x15013346,
                 kFuse = 0x65735546;
  const long type = static_cast<long>(info.f_type);
  return type == kMsdos || type == kExfat || type == kNtfs || type == kIso9660 || type == kUdf || type == kFuse;
}

bool ReadAt(int file, void* into, std::size_t size, off_t offset) {
  return pread(file, into, size, offset) == static_cast<ssize_t>(size);
}

// The machine of an ELF file and, for one of this machine's, its loader.
void ReadProgramHeaders(int file, ProgramFile& program) {
  std::array<unsigned char, EI_NIDENT> ident{};
  if (!ReadAt(file, ident.data(), ident.size(), 0)) return;
  // Another word size or byte order: its machine number is all there is to say (ReadElfIdentity).
  if (ident[EI_CLASS] != kThisClass || ident[EI_DATA] != kThisByteOrder) return;
  ElfW(Ehdr) header{};
  if (!ReadAt(file, &header, sizeof header, 0)) return;
  program.machine = header.e_machine;
  program.this_machine = header.e_machine == kThisMachine;
  if (!program.this_machine || header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum > kMostProgramHeaders) return;
  std::vector<ElfW(Phdr)> headers(header.e_phnum);
  if (!ReadAt(file, headers.data(), headers.size() * sizeof(ElfW(Phdr)), static_cast<off_t>(header.e_phoff))) return;
  for (const ElfW(Phdr)& entry : headers) {
    if (entry.p_type != PT_INTERP || entry.p_filesz < 2 || entry.p_filesz > kLoaderPathBytes) continue;
    std::string loader(entry.p_filesz, '\0');
    if (!ReadAt(file, loader.data(), loader.size(), static_cast<off_t>(entry.p_offset))) return;
    program.loader = loader.substr(0, loader.find('\0'));
  }
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
  } else if (const std::optional<ElfIdentity> elf = ReadElfIdentity(bytes)) {
    program.kind = ProgramFile::Kind::Program;
    program.machine = elf->machine;
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
    if (!file.this_machine)
      return "it is a program for another kind of processor (ELF machine " + std::to_string(file.machine) +
             "), not for " + kThisMachineName;
    if (error == ENOENT && !file.loader.empty()) return "its loader " + Quoted(file.loader) + " does not exist";
    if (file.loader.empty() && !file.has_execute_bit)
      return "it has no execute bit, and a program linked statically runs only with one";
  }
  return std::strerror(error);
}

}  // namespace tarvelin::posix
