#include "medium.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "runtime/text.h"
#include "runtime/text_input.h"
#include "tools/common/utf8_path.h"

namespace tarvelin {

// The files of packaging/, compiled into the tool so that it works away from the source tree.
std::span<const std::uint8_t> AutorunInf();
std::span<const std::uint8_t> AutorunSh();
std::span<const std::uint8_t> Licenses();
// The full texts LICENSES.txt names, by file name, for the medium's licenses/ folder.
std::vector<std::pair<std::string, std::span<const std::uint8_t>>> LicenceTexts();

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
std::optional<std::string> Title(std::string bytes) {
  const bool complete = bytes.size() <= kMaxTextFileBytes;
  bytes.resize(std::min(bytes.size(), kMaxTextFileBytes));
  return TextInput(DecodeTextFile(bytes, complete, Windows1252ToUtf8), complete).ReadField();
}

// The lines of an autorun.inf but its label, which follows the menu's title.
std::string WithoutLabel(const std::string& inf) {
  std::string kept;
  for (std::size_t at = 0; at < inf.size();) {
    std::size_t end = inf.find('\n', at);
    end = end == std::string::npos ? inf.size() : end + 1;
    if (inf.compare(at, 6, "label=") != 0) kept += inf.substr(at, end - at);
    at = end;
  }
  return kept;
}

// autorun.inf names the medium after the menu's title. Windows reads the file in its ANSI code
// page, so a title that is not plain printable ASCII leaves the label out and Windows shows the
// volume's own name instead.
std::string AutorunInfFor(const std::string& options) {
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

Outcome<std::string> Read(const std::string& path, const std::string& how_to_get_it) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in || fs::is_directory(PathOf(path))) return Fault{path + ": cannot be read" + how_to_get_it};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Fault{path + ": cannot be read" + how_to_get_it};
  return bytes;
}

}  // namespace

Outcome<MediumPlan> PlanMedium(const MediumSources& sources, const std::string& out_dir) {
  const fs::path root = PathOf(out_dir);
  MediumPlan plan{out_dir, {}, {}};
  std::error_code ec;
  if (fs::exists(root, ec) && !fs::is_directory(root, ec)) return Fault{out_dir + ": not a folder"};
  const fs::path options = root / "options.ini";
  if (sources.options.empty() && !fs::exists(options, ec))
    return Fault{NameOf(options) + ": missing; give one with --options options.ini"};
  Outcome<std::string> options_bytes = Read(sources.options.empty() ? NameOf(options) : sources.options, "");
  if (!options_bytes) return Fault{options_bytes.fault()};
  if (!sources.options.empty() && !fs::equivalent(PathOf(sources.options), options, ec))
    plan.files.push_back({"options.ini", *options_bytes, false});

#ifdef TARVELIN_PROGRAMS_BESIDE_TOOL
  // The tool as it ships looks in the kit's medium folder beside itself, where the kit puts both
  // programs.
  const char* const linux_hint = " (the kit has it in the medium folder beside tarvelin-art; or give --linux)";
  const char* const windows_hint = " (the kit has it in the medium folder beside tarvelin-art; or give --windows)";
#else
  const char* const linux_hint = " (build it: cmake --preset default && cmake --build --preset default; or give --linux)";
  const char* const windows_hint = " (build it: cmake --preset mingw && cmake --build --preset mingw; or give --windows)";
#endif
  Outcome<std::string> linux_program = Read(sources.linux_program, linux_hint);
  if (!linux_program) return Fault{linux_program.fault()};
  plan.files.push_back({kLinuxProgram, std::move(*linux_program), true});
  Outcome<std::string> windows_program = Read(sources.windows_program, windows_hint);
  if (!windows_program) return Fault{windows_program.fault()};
  plan.files.push_back({"tarvelin.exe", std::move(*windows_program), false});

  const std::string inf = AutorunInfFor(*options_bytes);
  const fs::path inf_path = root / "autorun.inf";
  Outcome<std::string> old_inf = fs::exists(inf_path, ec) ? Read(NameOf(inf_path), "") : Outcome<std::string>();
  if (!old_inf) return Fault{old_inf.fault()};
  if (sources.replace_autorun || old_inf->empty() || WithoutLabel(*old_inf) == WithoutLabel(inf))
    plan.files.push_back({"autorun.inf", inf, false});
  else
    plan.notes.push_back(NameOf(inf_path) + ": kept, as it is not the one this tool writes; --force replaces it");
  plan.files.push_back({"autorun.sh", Text(AutorunSh()), true});
  plan.files.push_back({"LICENSES.txt", Text(Licenses()), false});
  for (const auto& [name, text] : LicenceTexts()) plan.files.push_back({"licenses/" + name, Text(text), false});
  return plan;
}

Outcome<> LayOutMedium(const MediumPlan& plan) {
  const fs::path root = PathOf(plan.root);
  std::error_code ec;
  fs::create_directories(root, ec);
  if (!fs::is_directory(root)) return Fault{plan.root + ": cannot be made a folder"};
  for (const MediumFile& file : plan.files) {
    const fs::path path = root / PathOf(file.name);
    fs::create_directories(path.parent_path(), ec);
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
      out.close();
      if (!out) return Fault{NameOf(path) + ": cannot be written"};
    }
    if (file.executable) fs::permissions(path, kExecutable, ec);
    if (ec) return Fault{NameOf(path) + ": cannot be made executable"};
  }
  // The Linux program of an earlier layout, at the name that Windows shows as the menu's too.
  if (IsLinuxProgram(root / "tarvelin")) fs::remove(root / "tarvelin", ec);
  return {};
}

}  // namespace tarvelin
