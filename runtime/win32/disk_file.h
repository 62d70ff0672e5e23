#pragma once

// Reading a file of the medium on Windows: one reader that stops at a size its caller gives.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/win32/owned_handle.h"

namespace tarvelin {

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
