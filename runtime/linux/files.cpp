// Files and directories on POSIX: the standard streams, the application directory, text files for
// sequential input, picture files and the current directory.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/linux/files.h"
#include "runtime/linux/process.h"
#include "runtime/linux/unique_fd.h"
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

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

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

ApplicationDirectory ApplicationDirectory::Find(const char* argv0, const char* maps) {
  ApplicationDirectory found;
  found.path_ = ExecutableDirectory(maps);
  if (found.path_.empty()) {
    // Never the root, where the system's own files would answer for the medium's.
    found.path_ = DirectoryOfStartPath(argv0);
    if (found.path_.empty()) found.path_ = ".";
    found.problem_ = "cannot read the program's own path from " + std::string(maps) +
                     "; using the directory it was started from, " + found.path_;
  }
  found.directory_.reset(open(found.path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  return found;
}

bool ApplicationDirectory::MakeCurrent() const {
  if (directory_) return fchdir(directory_.get()) == 0;
  return ChangeDirectory(path_);
}

namespace {

// The whole of a file under /proc, whose size the system does not tell; nothing when it cannot be read.
std::optional<std::string> ReadProcFile(const char* path) {
  const UniqueFd file(open(path, O_RDONLY | O_CLOEXEC));
  if (!file) return std::nullopt;
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(file.get(), chunk, sizeof chunk);
    if (got == 0) return text;
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
}

// A path as the kernel writes it in a maps file, where a line end in a name reads "\012".
std::string UnescapeMapsPath(std::string_view written) {
  std::string path;
  for (std::size_t at = 0; at < written.size(); ++at) {
    if (written.substr(at, 4) == "\\012") {
      path += '\n';
      at += 3;
    } else {
      path += written[at];
    }
  }
  return path;
}

// The file mapped at |address| according to a maps file's text; empty when none is.
std::string FileMappedAt(std::string_view maps, std::uintptr_t address) {
  while (!maps.empty()) {
    const std::size_t end = std::min(maps.find('\n'), maps.size());
    const std::string line(maps.substr(0, end));
    maps.remove_prefix(std::min(end + 1, maps.size()));
    // start-end perms offset device inode, then the path after blanks.
    unsigned long long first = 0, last = 0;
    int path_at = 0;
    const int fields = std::sscanf(line.c_str(), "%llx-%llx %*s %*s %*s %*s %n", &first, &last, &path_at);
    if (fields < 2 || path_at == 0) continue;
    if (address < first || address >= last) continue;
    const std::string_view path = std::string_view(line).substr(static_cast<std::size_t>(path_at));
    return path.starts_with('/') ? UnescapeMapsPath(path) : std::string();
  }
  return {};
}

}  // namespace

std::optional<dev_t> ApplicationDirectory::Device() const {
  struct stat info {};
  if (!directory_ || fstat(directory_.get(), &info) != 0) return std::nullopt;
  return info.st_dev;
}

std::string ApplicationDirectory::HeldPath() const {
  if (!directory_) return {};
  return "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(directory_.get());
}

std::optional<std::pair<dev_t, ino_t>> ApplicationDirectory::Identity() const {
  struct stat info {};
  if (!directory_ || fstat(directory_.get(), &info) != 0) return std::nullopt;
  return std::pair{info.st_dev, info.st_ino};
}

std::string ExecutableDirectory(const char* maps) {
  const std::optional<std::string> text = ReadProcFile(maps);
  if (!text) return {};
  const std::string program = FileMappedAt(*text, reinterpret_cast<std::uintptr_t>(&ExecutableDirectory));
  return program.empty() ? std::string() : DirectoryPart(program);
}

namespace {

// What a file that is no regular file is, in words.
std::string NotARegularFile(const struct stat& info) {
  const char* what = S_ISDIR(info.st_mode)    ? "a folder"
                     : S_ISFIFO(info.st_mode) ? "a FIFO"
                     : S_ISSOCK(info.st_mode) ? "a socket"
                     : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                       : "of another kind";
  return std::string("not a regular file (") + what + ")";
}

// Opens |path| for reading only if it is a regular file; -1 otherwise, with |why| saying why not
// (empty when nothing has the name) and |info| telling what it is. Looking before opening means a
// FIFO or a device is never opened at all: opening one can block or have effects of its own (a
// tape rewinds, a serial line raises its signals).
UniqueFd OpenRegularFile(const std::string& path, struct stat& info, std::string& why) {
  why.clear();
  if (!IsSystemName(path)) return UniqueFd(-1);
  if (stat(path.c_str(), &info) != 0) {
    const int error = errno;
    // A link that leads nowhere is there, and cannot be read.
    if (error != ENOENT || lstat(path.c_str(), &info) == 0)
      why = std::string("cannot be read: ") + std::strerror(error);
    return UniqueFd(-1);
  }
  if (!S_ISREG(info.st_mode)) {
    why = NotARegularFile(info);
    return UniqueFd(-1);
  }
  UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file) {
    why = std::string("cannot be read: ") + std::strerror(errno);
    return file;
  }
  // Whatever was opened must still be a regular file: the name may have changed hands meanwhile.
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    why = NotARegularFile(info);
    return UniqueFd(-1);
  }
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

FileQueries::Kind SystemFileQueries::KindOf(const std::string& path) {
  struct stat info {};
  if (!IsSystemName(path) || stat(path.c_str(), &info) != 0) return Kind::Missing;
  return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::File;
}

bool SystemFileQueries::NameExists(const std::string& path) {
  struct stat info {};
  return IsSystemName(path) && lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> SystemFileQueries::Names(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = opendir(folder.c_str());
  if (!listing) return names;
  while (names.size() < kMostNamesRead) {
    const dirent* entry = readdir(listing);
    if (!entry) break;
    names.emplace_back(entry->d_name);
  }
  closedir(listing);
  return names;
}

std::optional<std::string> FindIgnoringCase(const std::string& path) {
  if (!IsSystemName(path)) return std::nullopt;
  SystemFileQueries files;
  return tarvelin::FindIgnoringCase(path, files);
}

std::optional<TextInput> OpenForInput(const std::string& written) {
  std::string why;
  return OpenForInput(written, why);
}

std::optional<TextInput> OpenForInput(const std::string& written, std::string& why) {
  const std::string path = FindIgnoringCase(written).value_or(written);
  struct stat info {};
  const UniqueFd file = OpenRegularFile(path, info, why);
  if (!file) return std::nullopt;
  // One byte beyond the limit tells whether the file goes on.
  std::string bytes(kMaxTextFileBytes + 1, '\0');
  const std::optional<std::size_t> filled = ReadUpTo(file.get(), {bytes.data(), bytes.size()});
  if (!filled) {
    why = std::string("cannot be read: ") + std::strerror(errno);
    return std::nullopt;
  }
  return TextFileInput(std::string_view(bytes).substr(0, *filled), true, Windows1252ToUtf8);
}

namespace {

// The questions of the shared lookup asked about the names in one folder: a relative path is taken
// from there.
class FolderQueries final : public FileQueries {
 public:
  explicit FolderQueries(std::string folder) : folder_(std::move(folder)) {}
  Kind KindOf(const std::string& path) override { return system_.KindOf(In(path)); }
  bool NameExists(const std::string& path) override { return system_.NameExists(In(path)); }
  std::vector<std::string> Names(const std::string& folder) override {
    return system_.Names(folder == "." ? folder_ : In(folder));
  }

 private:
  std::string In(const std::string& path) const { return path.starts_with('/') ? path : folder_ + path; }
  std::string folder_;
  SystemFileQueries system_;
};

// A picture beside the program: its folder exists as named, and only the file's own name may differ
// in case, as on a medium made on Windows. Only that folder is read, not every folder above it.
std::optional<std::string> FindBesideIgnoringCase(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return FindIgnoringCase(path);
  FolderQueries beside(path.substr(0, slash + 1));
  const std::optional<std::string> name = tarvelin::FindIgnoringCase(path.substr(slash + 1), beside);
  if (!name) return std::nullopt;
  return path.substr(0, slash + 1) + *name;
}

}  // namespace

ArtFile ReadArtFile(const std::string& written) {
  const std::string path = (IsSystemName(written) ? FindBesideIgnoringCase(written) : std::nullopt).value_or(written);
  struct stat info {};
  std::string why;
  const UniqueFd file = OpenRegularFile(path, info, why);
  if (!file) {
    if (why.empty()) return {};
    return {ArtFile::State::Refused, {}, why};
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxArtFileBytes)
    return {ArtFile::State::Refused, {},
            "larger than the " + std::to_string(kMaxArtFileBytes) + " bytes a picture of the menu can take"};
  // One byte more than the size told shows a file that grew meanwhile.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
  const std::optional<std::size_t> filled =
      ReadUpTo(file.get(), {reinterpret_cast<char*>(bytes.data()), bytes.size()});
  if (!filled) return {ArtFile::State::Refused, {}, std::string("cannot be read: ") + std::strerror(errno)};
  if (*filled >= bytes.size()) return {ArtFile::State::Refused, {}, "cannot be read: it grew while it was read"};
  bytes.resize(*filled);
  return {ArtFile::State::Read, std::move(bytes), ""};
}

bool ChangeDirectory(const std::string& path) { return IsSystemName(path) && chdir(path.c_str()) == 0; }

}  // namespace tarvelin::posix
