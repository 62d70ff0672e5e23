#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tools/common/outcome.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {

// The bytes of the file at |path|, or the fault: it cannot be read, or it holds more than |limit|
// bytes, "larger than the LIMIT bytes |what|". One byte past the limit shows a file too large,
// without reading all of it, so a device or an endless file named like a picture ends too.
inline Outcome<std::vector<std::uint8_t>> ReadCappedFile(const std::string& path, std::size_t limit,
                                                         const std::string& what) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return Fault{path + ": cannot be read"};
  std::vector<std::uint8_t> bytes(limit + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return Fault{path + ": cannot be read"};
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > limit) return Fault{path + ": larger than the " + std::to_string(limit) + " bytes " + what};
  return bytes;
}

}  // namespace tarvelin
