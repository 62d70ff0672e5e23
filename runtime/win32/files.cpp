#include <algorithm>
#include <cstdint>
#include <string_view>

#include "runtime/text.h"
#include "runtime/win32/disk_file.h"
#include "runtime/win32/paths.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_system.h"

namespace tarvelin {
namespace {

// The longest path Windows has: 32,767 UTF-16 code units.
constexpr DWORD kLongestPath = 32768;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "\options.ini": from the root of whatever drive is current, which a UNC path ("\\server") is not.
bool IsRootOfCurrentDrive(const std::string& path) {
  return !path.empty() && IsSeparator(path[0]) && (path.size() < 2 || !IsSeparator(path[1]));
}

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

OwnedHandle OpenForReading(const std::string& path, DWORD& error) {
  OwnedHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  error = file ? 0 : GetLastError();
  return file;
}

bool IsDiskFile(const OwnedHandle& file) { return GetFileType(file.get()) == FILE_TYPE_DISK; }

BytesRead ReadUpTo(const OwnedHandle& file, std::size_t limit) {
  // One byte more than the limit tells whether the file goes on.
  const std::size_t wanted = limit + 1;
  // Room for the file at the size the system gives, grown should the file grow meanwhile.
  LARGE_INTEGER size{};
  BytesRead read;
  const std::uint64_t expected = GetFileSizeEx(file.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : limit;
  read.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(expected + 1, wanted)));
  std::size_t length = 0;
  while (length < wanted) {
    if (length == read.bytes.size()) read.bytes.resize(std::min(wanted, 2 * length));
    DWORD got = 0;
    if (!ReadFile(file.get(), read.bytes.data() + length, static_cast<DWORD>(read.bytes.size() - length), &got,
                  nullptr)) {
      read.read_error = true;
      break;
    }
    if (got == 0) break;
    length += got;
  }
  read.longer = length > limit;
  read.bytes.resize(std::min(length, limit));
  return read;
}

std::optional<TextInput> Win32System::OpenForInput(const std::string& path) {
  // With the program's folder unknown, a name made from it has no folder before its separator and
  // would be looked for at the root of the current drive, which is not the program's: nothing is
  // read, as when the file is missing, and the built-in defaults stand.
  if (app_path_.empty() && IsRootOfCurrentDrive(path)) return std::nullopt;
  DWORD error = 0;
  const OwnedHandle file = OpenForReading(path, error);
  if (!file || !IsDiskFile(file)) return std::nullopt;
  // The fields before a read error or the size limit still count; the one cut there is a read error.
  const BytesRead read = ReadUpTo(file, kMaxTextFileBytes);
  const std::string_view text(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size());
  return TextFileInput(text, !read.read_error && !read.longer, AnsiToUtf8);
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
