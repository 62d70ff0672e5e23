// Files and directories on POSIX: the executable's directory, text files for sequential input,
// picture files, and the current directory.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/posix/posix_services.h"
#include "runtime/posix/unique_fd.h"
#include "runtime/text.h"

namespace tarvelin::posix {
namespace {

// A name with a NUL byte would silently mean its shorter prefix to the system.
bool IsSystemName(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

}  // namespace

std::string ExecutableDirectory() {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    // The name may have been cut to the buffer: try again with room to spare.
    target.resize(target.size() * 2);
  }
  const std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : target.substr(0, slash);
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
