#include "runtime/win32/paths.h"

namespace tarvelin {
namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kNtPrefix = L"\\??\\";
constexpr std::wstring_view kUncPart = L"UNC\\";

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool IsDrivePath(std::wstring_view path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':'; }

bool StartsWithUnc(std::wstring_view path) {
  if (path.size() < kUncPart.size()) return false;
  for (std::size_t i = 0; i < kUncPart.size(); ++i) {
    const wchar_t c = path[i] >= L'a' && path[i] <= L'z' ? static_cast<wchar_t>(path[i] - L'a' + L'A') : path[i];
    if (c != kUncPart[i]) return false;
  }
  return true;
}

// The module path as a Win32 path: drive and share paths as they are written, without a prefix.
std::wstring Win32Path(std::wstring_view module_path) {
  std::wstring_view path = module_path;
  if (path.starts_with(kLongPrefix)) {
    path.remove_prefix(kLongPrefix.size());
  } else if (path.starts_with(kNtPrefix)) {
    path.remove_prefix(kNtPrefix.size());
  } else if (IsDrivePath(path) || path.starts_with(L'\\') || path.find(L'\\') == std::wstring_view::npos) {
    return std::wstring(path);
  }
  if (path.find(L'\\') == std::wstring_view::npos) return {};
  // What is left is a path of the object namespace (Wine gives it so for a program on a share,
  // with its "\??\" dropped): a drive, a share, or a volume reached only through the prefix.
  if (IsDrivePath(path)) return std::wstring(path);
  if (StartsWithUnc(path)) return L"\\\\" + std::wstring(path.substr(kUncPart.size()));
  return std::wstring(kLongPrefix) + std::wstring(path);
}

}  // namespace

std::wstring ModuleDirectory(std::wstring_view module_path) {
  std::wstring path = Win32Path(module_path);
  const std::size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring::npos) return {};
  path.resize(last);
  if (path.size() == 2 && IsDrivePath(path)) path += L'\\';
  // The root of a volume without a drive letter ("\\?\Volume{...}\"): without its "\" the name
  // is the volume itself, not its root folder.
  if (path.starts_with(kLongPrefix) && path.find(L'\\', kLongPrefix.size()) == std::wstring::npos) path += L'\\';
  return path;
}

}  // namespace tarvelin
