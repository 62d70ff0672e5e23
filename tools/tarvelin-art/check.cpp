#include "check.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/command_forecast.h"
#include "runtime/memory/memory_provider.h"
#include "runtime/text_input.h"
#include "tools/common/capped_file.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

// The medium as the folder it is laid out in.
class FolderFiles final : public MediumFiles {
 public:
  explicit FolderFiles(const std::string& root) : root_(PathOf(root)) {}

  Kind KindOf(const std::string& path) override {
    std::error_code ec;
    const fs::file_status status = fs::status(At(path), ec);
    if (!fs::exists(status)) return Kind::Missing;
    return fs::is_directory(status) ? Kind::Folder : Kind::File;
  }
  bool NameExists(const std::string& path) override {
    std::error_code ec;
    return fs::exists(fs::symlink_status(At(path), ec));
  }
  std::vector<std::string> Names(const std::string& folder) override {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator entry(At(folder), ec), end; !ec && entry != end; entry.increment(ec))
      names.push_back(NameOf(entry->path().filename()));
    return names;
  }
  std::string FirstBytes(const std::string& path, std::size_t count) override {
    // Only a regular file's, so that a pipe on the medium never hangs the check.
    Outcome<std::string> start = ReadFileStart(NameOf(At(path)), count);
    return start ? *start : std::string();
  }
  bool LacksExecuteBit(const std::string& path) override {
#ifdef _WIN32
    (void)path;
    return false;  // Windows's file systems keep no execute bits
#else
    std::error_code ec;
    const fs::perms perms = fs::status(At(path), ec).permissions();
    constexpr fs::perms kExecute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    return !ec && (perms & kExecute) == fs::perms::none;
#endif
  }

 private:
  fs::path At(const std::string& path) const { return root_ / PathOf(path); }

  fs::path root_;
};

// The entries' commands, read by the menu itself from the medium's options.ini.
std::vector<std::string> EntryCommands(const std::optional<std::string>& options) {
  MemoryProvider machine(BuiltInArtwork(), kHotSpotLayout);
  if (options) machine.files[machine.app_path + machine.separator + kOptionsFile] = {*options};
  Services& services = machine;
  frmMain menu(services);
  menu.Form_Load();
  std::vector<std::string> commands;
  for (std::int16_t entry = kFirstEntry; entry <= kLastEntry; ++entry) commands.push_back(services.imgHover(entry)->Tag);
  return commands;
}

const char* BuiltInCommand(std::int16_t entry) {
  for (const HotSpotDesign& design : kHotSpotLayout)
    if (design.Index == entry) return design.Tag;
  return "";
}

std::string Said(const char* system, const Forecast& forecast, const std::string& command) {
  if (forecast.outcome != Forecast::Outcome::Nothing) return std::string(system) + " " + forecast.what;
  return std::string(system) + " starts nothing (" + forecast.what + ") and the menu says \"The file " + command +
         " could not be found.\"";
}

}  // namespace

EntriesReport ReportEntries(const std::string& folder) {
  FolderFiles medium(folder);
  // Both programs find options.ini whatever its case, as Windows does.
  const std::optional<std::string> options_path = FindIgnoringCase(kOptionsFile, medium);
  std::optional<std::string> options;
  if (options_path) {
    // As much as the menu reads, and one byte more to tell that the file goes on.
    const std::string path = NameOf(PathOf(folder) / PathOf(*options_path));
    Outcome<std::string> start = ReadFileStart(path, kMaxTextFileBytes + 1);
    if (start)
      options = std::move(*start);
    else
      std::printf("%s, so every entry has its built-in command\n", start.fault().c_str());
  } else {
    std::printf("%s: no %s, so every entry has its built-in command\n", folder.c_str(), kOptionsFile);
  }

  EntriesReport report;
  const std::vector<std::string> commands = EntryCommands(options);
  for (std::int16_t entry = kFirstEntry; entry <= kLastEntry; ++entry) {
    const std::string& command = commands[static_cast<std::size_t>(entry - kFirstEntry)];
    const Forecast windows = ForecastOnWindows(command, medium);
    const Forecast linux = ForecastOnLinux(command, medium);
    std::printf("entry %d \"%s\"%s: %s; %s\n", entry, command.c_str(),
                command == BuiltInCommand(entry) ? " (the built-in command)" : "",
                Said("Windows", windows, command).c_str(), Said("Linux", linux, command).c_str());
    std::fflush(stdout);  // each warning after its entry's line
    const bool nothing_on_windows = windows.outcome == Forecast::Outcome::Nothing;
    const bool nothing_on_linux = linux.outcome == Forecast::Outcome::Nothing;
    if (nothing_on_windows)
      std::fprintf(stderr, "warning: entry %d starts nothing on Windows: %s\n", entry, windows.what.c_str());
    if (nothing_on_linux)
      std::fprintf(stderr, "warning: entry %d starts nothing on Linux: %s\n", entry, linux.what.c_str());
    report.starting_nothing_anywhere += nothing_on_windows && nothing_on_linux;
  }
  return report;
}

}  // namespace tarvelin
