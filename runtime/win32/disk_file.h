#pragma once

// Reading a file of the medium on Windows: one owning handle for the system's objects, and one
// reader that stops at a size its caller gives.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarvelin {

// A handle of the system's, closed when this goes.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() { Close(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }

  HANDLE get() const { return handle_; }
  // False for both of the values the system returns for no handle.
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  void Close() {
    if (*this) CloseHandle(handle_);
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Opens |path| to be read once, from here, while others may keep it open, even for writing (an
// editor). No handle, with the system's error code in |error|, when it cannot be opened.
OwnedHandle OpenForReading(const std::string& path, DWORD& error);

// Whether |file| is a file on a disk: a device or pipe named like a file could block or never end.
bool IsDiskFile(const OwnedHandle& file);

// The start of a file, at most the limit its reader gave.
struct BytesRead {
  std::vector<std::uint8_t> bytes;
  bool longer = false;      // the file goes on past the limit
  bool read_error = false;  // reading failed; |bytes| holds what came before
};
BytesRead ReadUpTo(const OwnedHandle& file, std::size_t limit);

}  // namespace tarvelin
