#include "medium.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>

#include "runtime/text.h"
#include "runtime/text_input.h"

namespace tarvelin {

// The files of packaging/, compiled into the tool so that it works away from the source tree.
std::span<const std::uint8_t> AutorunInf();
std::span<const std::uint8_t> AutorunSh();

namespace {

namespace fs = std::filesystem;

constexpr fs::perms kExecutable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec;

// The Linux program under a name that Linux file managers hide and that Windows shows as it is,
// not as another "tarvelin" beside tarvelin.exe: each system's user sees one thing to open,
// tarvelin.exe on Windows and autorun.sh on Linux.
constexpr const char* kLinuxProgram = ".tarvelin";

bool IsLinuxProgram(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[4] = {};
  return fs::is_regular_file(path) && in.read(magic, sizeof magic) && std::string(magic, 4) == "\x7f" "ELF";
}

std::string Text(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// The window title, the first field of options.ini, read as the menu reads it.
std::optional<std::string> Title(const fs::path& options) {
  std::ifstream in(options, std::ios::binary);
  std::string bytes(kMaxTextFileBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  const bool complete = in.eof();
  return TextInput(DecodeTextFile(bytes, complete, Windows1252ToUtf8), complete).ReadField();
}

// autorun.inf names the medium after the menu's title. Windows reads the file in its ANSI code
// page, so a title that is not plain printable ASCII leaves the label out and Windows shows the
// volume's own name instead.
std::string AutorunInfFor(const fs::path& options) {
  std::string title = Title(options).value_or("");
  bool plain = !title.empty();
  for (char c : title) plain = plain && c >= 0x20 && c < 0x7F;
  std::string inf;
  std::string text = Text(AutorunInf());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    if (!line.starts_with("label="))
      inf += line;
    else if (plain)
      inf += "label=" + title + (line.ends_with("\r\n") ? "\r\n" : "\n");
    at = end;
  }
  return inf;
}

std::string Write(const fs::path& path, const std::string& bytes, bool executable) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return path.string() + ": cannot be written";
  }
  std::error_code ec;
  if (executable) fs::permissions(path, kExecutable, ec);
  return ec ? path.string() + ": cannot be made executable" : "";
}

std::string Copy(const std::string& from, const fs::path& to, bool executable, const char* how_to_get_it) {
  std::ifstream in(from, std::ios::binary);
  if (!in || fs::is_directory(from)) return from + ": cannot be read" + how_to_get_it;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Write(to, bytes, executable);
}

}  // namespace

std::string LayOutMedium(const MediumSources& sources, const std::string& out_dir) {
  const fs::path root(out_dir);
  std::error_code ec;
  fs::create_directories(root, ec);
  if (!fs::is_directory(root)) return out_dir + ": cannot be made a folder";
  const fs::path options = root / "options.ini";
  if (sources.options.empty() && !fs::exists(options))
    return options.string() + ": missing; give one with --options";
  std::string error;
  if (!sources.options.empty() && !fs::equivalent(sources.options, options, ec))
    error = Copy(sources.options, options, false, "");
  if (error.empty())
    error = Copy(sources.linux_program, root / kLinuxProgram, true,
                 " (build it: cmake --preset default && cmake --build --preset default; or give --linux)");
  // The Linux program of an earlier layout, at the name that Windows shows as the menu's too.
  if (error.empty() && IsLinuxProgram(root / "tarvelin")) fs::remove(root / "tarvelin", ec);
  if (error.empty())
    error = Copy(sources.windows_program, root / "tarvelin.exe", false,
                 " (build it: cmake --preset mingw && cmake --build --preset mingw; or give --windows)");
  if (error.empty()) error = Write(root / "autorun.inf", AutorunInfFor(options), false);
  if (error.empty()) error = Write(root / "autorun.sh", Text(AutorunSh()), true);
  return error;
}

}  // namespace tarvelin
