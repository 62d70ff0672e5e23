#pragma once

// File names as the tools hold them: UTF-8 strings, on every system. Windows names files in
// UTF-16, and a path made from a plain string there would be read in the ANSI code page, losing
// every character outside it; made from UTF-8 bytes, it keeps them all.

#include <filesystem>
#include <string>

namespace tarvelin {

inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string NameOf(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

}  // namespace tarvelin
