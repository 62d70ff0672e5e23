#pragma once

// What a file on a medium is as a program: how the system would start it, whether its mount lets
// it run, and why it could not. Used by program start (process.cpp) to run what a file system
// without execute bits keeps from running, and to tell the real reason of a start that fails.

#include <sys/types.h>

#include <string>

namespace tarvelin::posix {

struct ProgramFile {
  enum class Kind {
    Missing,  // no regular file can be read at the path
    Script,   // starts with "#!"
    Program,  // an ELF file
    Other,    // a document, as far as the system is concerned
  };
  Kind kind = Kind::Missing;
  // A script's interpreter and its one optional argument, split as the kernel splits the "#!" line.
  std::string interpreter, interpreter_argument;
  // The script's first line ends in a carriage return, which the kernel takes as part of the line.
  bool carriage_return = false;
  // A program's dynamic loader (its PT_INTERP); empty for a static program.
  std::string loader;
  // The loader exists and is a program for the same kind of processor, so that it can run the
  // program without an execute bit.
  bool loader_fits = false;
  // The program is for this machine's processor and word size.
  bool this_machine = false;
  // Its ELF machine number, and the kind of processor in words ("32-bit x86"), to name another
  // machine's program.
  unsigned machine = 0;
  std::string machine_kind;
  // Some execute bit is set on the file.
  bool has_execute_bit = false;
  // The mount it is on lets nothing run (noexec).
  bool on_noexec_mount = false;
  // Its file system keeps no execute bits of its own: FAT, exFAT, NTFS, ISO 9660, UDF and FUSE
  // file systems give every file a mode from the mount's options.
  bool on_file_system_without_modes = false;
  dev_t device = 0;
};

// Reads what the file at |path| is, from its first bytes and its mount.
ProgramFile InspectProgramFile(const std::string& path);

// Why a file that is a script or a program could not start, given the error its start ended
// with, for standard error: "its first line ends in a carriage return ...".
std::string WhyItCannotRun(const ProgramFile& file, int error);

// This machine's ELF machine number, by name ("x86-64"), for messages.
const char* ThisMachineName();

}  // namespace tarvelin::posix
