#include "runtime/win32/paths.h"

namespace tarvelin {
namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

std::wstring ModuleDirectory(std::wstring_view module_path) {
  std::wstring path;
  if (module_path.starts_with(kLongUncPrefix))
    path = L"\\\\" + std::wstring(module_path.substr(kLongUncPrefix.size()));
  else if (module_path.starts_with(kLongPrefix))
    path = module_path.substr(kLongPrefix.size());
  else
    path = module_path;

  const std::size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring::npos) return {};
  path.resize(last);
  if (path.size() == 2 && IsDriveLetter(path[0]) && path[1] == L':') path += L'\\';
  return path;
}

}  // namespace tarvelin
