#include <algorithm>

#include "runtime/text.h"
#include "runtime/win32/paths.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_system.h"

namespace tarvelin {
namespace {

// The longest path Windows has: 32,767 UTF-16 code units.
constexpr DWORD kLongestPath = 32768;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

Win32System::Win32System() : app_path_(WideToUtf8(ProgramDirectory())) {}

std::wstring Win32System::ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return ModuleDirectory(path);
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(std::min<std::size_t>(path.size() * 2, kLongestPath));
  }
}

std::optional<TextInput> Win32System::OpenForInput(const std::string& path) {
  // Others may keep the file open, even for writing (an editor): it is only read here, once.
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  // A device or pipe named like the file could block or never end.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;

  // One byte more than is used tells whether the file goes on.
  std::string bytes(kMaxTextFileBytes + 1, '\0');
  std::size_t length = 0;
  bool read_error = false;
  while (length < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + length, static_cast<DWORD>(bytes.size() - length), &got, nullptr)) {
      read_error = true;  // the fields before the failure still count; the one it cuts is a read error
      break;
    }
    if (got == 0) break;
    length += got;
  }
  bytes.resize(length);
  const bool complete = !read_error && length <= kMaxTextFileBytes;
  const std::string_view read = std::string_view(bytes).substr(0, kMaxTextFileBytes);
  return TextInput(DecodeTextFile(read, complete, AnsiToUtf8), complete);
}

bool Win32System::ChDrive(char drive) {
  const auto letter = static_cast<wchar_t>(drive >= 'a' && drive <= 'z' ? drive - 'a' + 'A' : drive);
  if (letter < L'A' || letter > L'Z') return false;
  // "X:" names the drive's own current directory, as each drive keeps one.
  const wchar_t drive_only[] = {letter, L':', L'\0'};
  return SetCurrentDirectoryW(drive_only) != FALSE;
}

bool Win32System::ChDir(const std::string& path) {
  if (path.empty()) return false;
  return SetCurrentDirectoryW(Utf8ToWide(path).c_str()) != FALSE;
}

}  // namespace tarvelin
