#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/common/outcome.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {

// The system's words for an error number ("No space left on device", "Permission denied").
inline std::string SystemReason(int error) { return std::strerror(error); }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenedFile = std::unique_ptr<std::FILE, FileCloser>;

// A C stream on |path|, a UTF-8 name on every system, so that a failure leaves its reason in errno.
inline OpenedFile OpenFile(const std::filesystem::path& path, bool for_writing) {
#ifdef _WIN32
  return OpenedFile(_wfopen(path.c_str(), for_writing ? L"wb" : L"rb"));
#else
  return OpenedFile(std::fopen(path.c_str(), for_writing ? "wb" : "rb"));
#endif
}

// The first |count| bytes of the file at |path| (all of them when it is shorter), or the fault, as
// the menu reads its files: only a regular file (a link followed), so that a pipe never hangs the
// reading and a device is never read. Each fault that comes from the system gives its reason:
// "FILE: cannot be read (Permission denied)".
inline Outcome<std::string> ReadFileStart(const std::string& path, std::size_t count) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(PathOf(path), ec);
  if (ec) return Fault{path + ": cannot be read (" + ec.message() + ")"};
  if (std::filesystem::is_directory(status)) return Fault{path + ": cannot be read (a folder, not a file)"};
  if (!std::filesystem::is_regular_file(status))
    return Fault{path + ": cannot be read (not a regular file: a pipe, a device or a socket)"};
  errno = 0;
  const OpenedFile in = OpenFile(PathOf(path), false);
  if (!in) return Fault{path + ": cannot be read (" + SystemReason(errno) + ")"};
  std::string bytes(count, '\0');
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), in.get());
  if (std::ferror(in.get())) return Fault{path + ": cannot be read (" + SystemReason(errno) + ")"};
  bytes.resize(got);
  return bytes;
}

// The bytes of the file at |path| as ReadFileStart reads them, or the fault; a file of more than
// |limit| bytes is refused, "larger than the LIMIT bytes |what|", one byte past the limit showing it
// without reading all of it.
inline Outcome<std::vector<std::uint8_t>> ReadCappedFile(const std::string& path, std::size_t limit,
                                                         const std::string& what) {
  Outcome<std::string> bytes = ReadFileStart(path, limit + 1);
  if (!bytes) return Fault{bytes.fault()};
  if (bytes->size() > limit) return Fault{path + ": larger than the " + std::to_string(limit) + " bytes " + what};
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace tarvelin
