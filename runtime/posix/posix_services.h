#pragma once

// The services of a POSIX system that every POSIX provider shares: files, directories and
// starting programs. Failures come back as values; nothing here throws or exits.

#include <optional>
#include <string>

#include "runtime/artwork.h"
#include "runtime/text_input.h"

namespace tarvelin::posix {

// The directory of the running executable, from the operating system (not argv[0], not the
// current directory); ends with "/" only at the root; empty when the system cannot tell.
std::string ExecutableDirectory();

// Opens a regular file for sequential input without ever blocking (a FIFO or a device is refused),
// reads at most kMaxTextFileBytes of it and decodes it with DecodeTextFile, Windows-1252 being the
// code page; nothing on failure, or for a name with a NUL byte.
std::optional<TextInput> OpenForInput(const std::string& path);

// Reads a picture file beside the program, as OpenForInput reads a text file: a regular file only,
// refused unread when larger than kMaxArtFileBytes. Absent when nothing has the name.
ArtFile ReadArtFile(const std::string& path);

// Makes the directory current; false when it cannot, or for a name with a NUL byte.
bool ChangeDirectory(const std::string& path);

// Starts a command line without a shell and without waiting: split by the Windows command-line
// rules, the program path's backslashes read as separators, a bare name searched in PATH. The
// program runs detached in its own session with none of the menu's descriptors, and is reaped
// when it ends. False when nothing started: no such file, not a runnable program (a script without
// "#!" included: no shell stands in), an empty command, or one with a NUL byte.
bool StartProgram(const std::string& command_line);

}  // namespace tarvelin::posix
