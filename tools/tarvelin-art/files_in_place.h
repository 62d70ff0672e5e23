#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace tarvelin {

// A file to be written into a folder: its bytes, or the file they are copied from.
struct FileToWrite {
  std::string name;    // in the folder, "/" between folders ("licenses/GPL-3.0.txt")
  std::string bytes;   // the content, unless |source| is given
  std::string source;  // when not empty, the file whose bytes are copied, read as it is written
  bool executable = false;
};

// Writes |files| into the folder |dir| (made if missing, as are the folders their names need), each
// first under a temporary name beside its place, and renames them into place only when every one
// is whole, so that a full disk or a locked folder leaves the folder with the files it held. A
// fault names the file and the system's reason ("No space left on device"); the temporary files
// are gone then.
Outcome<> PutFilesInPlace(const std::string& dir, const std::vector<FileToWrite>& files);

}  // namespace tarvelin
