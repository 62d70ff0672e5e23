#pragma once

#include <string>
#include <string_view>

namespace tarvelin {

// The directory of a module path as GetModuleFileNameW gives it, in the form App Path has: a
// trailing "\" only at a drive's root ("C:\"), never elsewhere ("C:\Disc", "\\server\share\disc").
// Every form the system gives for a program's path is taken: a drive path, a share
// ("\\server\share\..."), each of them behind the "\\?\" prefix or the NT one ("\??\"), and the NT
// path whose prefix Wine drops ("UNC\server\share\..."). A drive or share behind a prefix comes out
// without it, so the result works with drive and directory changes and as a program's working
// directory; any other prefixed path (a volume without a drive letter) keeps "\\?\". A path without
// a directory gives an empty result.
std::wstring ModuleDirectory(std::wstring_view module_path);

}  // namespace tarvelin
