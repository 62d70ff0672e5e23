#include "files_in_place.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "tools/common/capped_file.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kExecutable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec;

// Where a file is written before it is renamed into place: hidden on Linux, and never a name the
// menu or the author's entries use.
fs::path Unfinished(const fs::path& path) {
  // Appended, not concatenated: gcc 12's -Wrestrict misreads "." + name in a Release build.
  std::string name = ".";
  name += NameOf(path.filename());
  name += ".unfinished";
  return path.parent_path() / PathOf(name);
}

// Copies |source| into |out|; the fault names the file that failed and why.
Outcome<> Copy(const std::string& source, std::FILE* out, const std::string& out_name) {
  errno = 0;
  const OpenedFile in = OpenFile(PathOf(source), false);
  if (!in) return Fault{source + ": cannot be read (" + SystemReason(errno) + ")"};
  std::vector<char> chunk(1 << 16);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (std::ferror(in.get())) return Fault{source + ": cannot be read (" + SystemReason(errno) + ")"};
    if (got == 0) return {};
    errno = 0;
    if (std::fwrite(chunk.data(), 1, got, out) != got)
      return Fault{out_name + ": cannot be written (" + SystemReason(errno) + ")"};
  }
}

Outcome<> WriteWhole(const FileToWrite& file, const fs::path& at, const std::string& name) {
  errno = 0;
  OpenedFile out = OpenFile(at, true);
  if (!out) return Fault{name + ": cannot be written (" + SystemReason(errno) + ")"};
  if (!file.source.empty()) {
    if (Outcome<> copied = Copy(file.source, out.get(), name); !copied) return copied;
  } else {
    errno = 0;
    if (std::fwrite(file.bytes.data(), 1, file.bytes.size(), out.get()) != file.bytes.size())
      return Fault{name + ": cannot be written (" + SystemReason(errno) + ")"};
  }
  // What the system held back shows its fault only when it is handed over.
  errno = 0;
  if (std::fflush(out.get()) != 0 || std::fclose(out.release()) != 0)
    return Fault{name + ": cannot be written (" + SystemReason(errno) + ")"};
  if (file.executable) {
    std::error_code ec;
    fs::permissions(at, kExecutable, ec);
    if (ec) return Fault{name + ": cannot be made executable (" + ec.message() + ")"};
  }
  return {};
}

}  // namespace

Outcome<> PutFilesInPlace(const std::string& dir, const std::vector<FileToWrite>& files) {
  const fs::path root = PathOf(dir);
  std::vector<fs::path> made_folders, unfinished;
  auto undo = [&] {
    std::error_code ignored;
    for (const fs::path& path : unfinished) fs::remove(path, ignored);
    // Only the folders this call made, and only when empty.
    for (auto folder = made_folders.rbegin(); folder != made_folders.rend(); ++folder) fs::remove(*folder, ignored);
  };
  // The folders |folder| needs, each one made remembered.
  auto make_folder = [&](const fs::path& folder) -> Outcome<> {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path up = folder; !up.empty() && !fs::is_directory(up, ec); up = up.parent_path()) {
      missing.push_back(up);
      if (up == up.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (!fs::create_directory(*it, ec) && ec)
        return Fault{NameOf(*it) + ": cannot be made a folder (" + ec.message() + ")"};
      made_folders.push_back(*it);
    }
    return {};
  };

  for (const FileToWrite& file : files) {
    const fs::path path = root / PathOf(file.name);
    if (Outcome<> folder = make_folder(path.parent_path()); !folder) {
      undo();
      return folder;
    }
    unfinished.push_back(Unfinished(path));
    if (Outcome<> written = WriteWhole(file, unfinished.back(), NameOf(path)); !written) {
      undo();
      return Fault{written.fault() + "; the folder keeps the files it held"};
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path path = root / PathOf(files[i].name);
    std::error_code ec;
    fs::rename(unfinished[i], path, ec);
    if (ec) {
      undo();
      return Fault{NameOf(path) + ": cannot be put in place (" + ec.message() + ")"};
    }
  }
  return {};
}

}  // namespace tarvelin
