#pragma once

#include <string>
#include <string_view>

namespace tarvelin {

// The directory of a module path as GetModuleFileNameW gives it, in the form App Path has: a
// trailing "\" only at a drive's root ("C:\"), never elsewhere ("C:\Disc", "\\server\share\disc").
// A "\\?\" prefix is dropped, so the result works with drive and directory changes and as a
// program's working directory. A path without a directory gives an empty result.
std::wstring ModuleDirectory(std::wstring_view module_path);

}  // namespace tarvelin
