#pragma once

#include <windows.h>

#include <utility>

namespace tarvelin {

// A handle of the system's (a file, a process, a thread), closed when this goes: the one way the
// Windows code holds one.
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

}  // namespace tarvelin
