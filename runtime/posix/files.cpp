// Files and directories on POSIX: the standard streams, the application directory, text files for
// sequential input, picture files and the current directory.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "runtime/posix/posix_services.h"
#include "runtime/posix/unique_fd.h"
#include "runtime/text.h"

namespace tarvelin::posix {
namespace {

// A name with a NUL byte would silently mean its shorter prefix to the system.
bool IsSystemName(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// The directory part of a path: "" for a bare name, "/" for a name at the root.
std::string DirectoryPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The directory of the path the program was started by, absolute; empty when there is none.
std::string DirectoryOfStartPath(const char* argv0) {
  if (!argv0 || !*argv0) return {};
  std::string path = argv0;
  // A shell runs a bare name from the first directory of PATH that holds it.
  if (path.find('/') == std::string::npos) {
    const std::optional<std::string> found = FindInSearchPath(path);
    if (!found) return {};
    path = *found;
  }
  if (path.front() != '/') {
    char* current = getcwd(nullptr, 0);
    if (!current) return {};
    path = std::string(current) + "/" + path;
    free(current);
  }
  return DirectoryPart(path);
}

}  // namespace

void FillStandardStreams() {
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (fcntl(stream, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free number is this one, as those below it are open by now.
    const int null_device = open("/dev/null", O_RDWR | O_NOCTTY);
    if (null_device >= 0 && null_device != stream) {
      dup2(null_device, stream);
      close(null_device);
    }
  }
}

ApplicationDirectory ApplicationDirectory::Find(const char* argv0, const char* executable_link) {
  ApplicationDirectory found;
  found.path_ = ExecutableDirectory(executable_link);
  if (found.path_.empty()) {
    // Never the root, where the system's own files would answer for the medium's.
    found.path_ = DirectoryOfStartPath(argv0);
    if (found.path_.empty()) found.path_ = ".";
    found.problem_ = "cannot read the program's own path from " + std::string(executable_link) +
                     "; using the directory it was started from, " + found.path_;
  }
  found.directory_.reset(open(found.path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  return found;
}

bool ApplicationDirectory::MakeCurrent() const {
  if (directory_) return fchdir(directory_.get()) == 0;
  return ChangeDirectory(path_);
}

std::string ExecutableDirectory(const char* link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink(link, target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    // The name may have been cut to the buffer: try again with room to spare.
    target.resize(target.size() * 2);
  }
  return DirectoryPart(target);
}

namespace {

// Opens |path| for reading only if it is a regular file; -1 otherwise, with |info| telling what it is.
// Looking before opening means a FIFO or a device is never opened at all: opening one can block or
// have effects of its own (a tape rewinds, a serial line raises its signals).
UniqueFd OpenRegularFile(const std::string& path, struct stat& info) {
  if (!IsSystemName(path) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return UniqueFd(-1);
  UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  // Whatever was opened must still be a regular file: the name may have changed hands meanwhile.
  if (!file || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return UniqueFd(-1);
  return file;
}

// Reads up to bytes.size() bytes; how many, or nothing on a read error.
std::optional<std::size_t> ReadUpTo(int file, std::span<char> bytes) {
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = read(file, bytes.data() + filled, bytes.size() - filled);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    filled += static_cast<std::size_t>(got);
  }
  return filled;
}

}  // namespace

std::optional<TextInput> OpenForInput(const std::string& path) {
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info);
  if (!file) return std::nullopt;
  // One byte beyond the limit tells whether the file goes on.
  std::string bytes(kMaxTextFileBytes + 1, '\0');
  const std::optional<std::size_t> filled = ReadUpTo(file.get(), {bytes.data(), bytes.size()});
  if (!filled) return std::nullopt;
  const bool complete = *filled <= kMaxTextFileBytes;
  bytes.resize(std::min(*filled, kMaxTextFileBytes));
  return TextInput(DecodeTextFile(bytes, complete, Windows1252ToUtf8), complete);
}

ArtFile ReadArtFile(const std::string& path) {
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info);
  if (!file) {
    if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) return {};
    return {ArtFile::State::Refused, {}, "not a regular file, or not readable"};
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxArtFileBytes)
    return {ArtFile::State::Refused, {},
            "larger than the " + std::to_string(kMaxArtFileBytes) + " bytes a picture of the menu can take"};
  // One byte more than the size told shows a file that grew meanwhile.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
  const std::optional<std::size_t> filled =
      ReadUpTo(file.get(), {reinterpret_cast<char*>(bytes.data()), bytes.size()});
  if (!filled || *filled >= bytes.size()) return {ArtFile::State::Refused, {}, "cannot be read"};
  bytes.resize(*filled);
  return {ArtFile::State::Read, std::move(bytes), ""};
}

bool ChangeDirectory(const std::string& path) { return IsSystemName(path) && chdir(path.c_str()) == 0; }

}  // namespace tarvelin::posix
