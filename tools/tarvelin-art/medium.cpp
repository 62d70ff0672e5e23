#include "medium.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "icon.h"
#include "runtime/program_rules.h"
#include "runtime/text.h"
#include "runtime/text_input.h"
#include "tools/common/capped_file.h"
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

// The Linux program under a name that Linux file managers hide and that Windows shows as it is,
// not as another "tarvelin" beside tarvelin.exe: each system's user sees one thing to open,
// tarvelin.exe on Windows and autorun.sh on Linux.
constexpr const char* kLinuxProgram = ".tarvelin";

// The names of the menu's own files on a medium besides those of the plan: the pair, which
// WritePair or `medium` itself writes.
constexpr const char* kPictureNames[] = {"background.bmp", "highlight.bmp"};

std::string Text(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The window title, the first field of options.ini, read as the menu reads it.
std::optional<std::string> Title(std::string_view start_of_options) {
  return TextFileInput(start_of_options, true, Windows1252ToUtf8).ReadField();
}

// The drive's own icon, made from the author's picture.
constexpr const char* kDriveIcon = "autorun.ico";

// The lines of an autorun.inf, as UTF-8 text whatever it was saved in, but its label, which follows
// the menu's title, and its icon, which follows the medium's.
std::string WithoutLabel(const std::string& inf) {
  const std::string text = DecodeTextFile(inf, true, Windows1252ToUtf8);
  std::string kept;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(at, 6, "label=") != 0 && text.compare(at, 5, "icon=") != 0) kept += text.substr(at, end - at);
    at = end;
  }
  return kept;
}

// autorun.inf names the medium after the menu's title. Windows reads the file in its ANSI code
// page unless it starts with UTF-16's byte-order mark, so a title beyond ASCII makes the file
// UTF-16 (little-endian, as Windows writes it); a plain one keeps it ASCII. A title with control
// characters leaves the label out, and Windows shows the volume's own name.
// The drive shows |drive_icon| when there is one, else the program's icon.
std::string AutorunInfFor(std::string_view start_of_options, bool drive_icon) {
  const std::string title = Title(start_of_options).value_or("");
  bool printable = !title.empty(), ascii = true;
  for (unsigned char c : title) {
    printable = printable && c >= 0x20 && c != 0x7F;
    ascii = ascii && c < 0x80;
  }
  std::string inf;
  const std::string text = Text(AutorunInf());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    const std::string line_end = line.ends_with("\r\n") ? "\r\n" : "\n";
    if (line.starts_with("icon=") && drive_icon)
      inf += std::string("icon=") + kDriveIcon + line_end;
    else if (!line.starts_with("label="))
      inf += line;
    else if (printable)
      inf += "label=" + title + line_end;
    at = end;
  }
  if (ascii) return inf;
  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : Utf8ToUtf16(inf)) {
    utf16.push_back(static_cast<char>(unit & 0xFF));
    utf16.push_back(static_cast<char>(unit >> 8));
  }
  return utf16;
}

// The fault of a file that cannot be read, with what the author can do about it.
Fault WithHint(const std::string& fault, const std::string& hint) {
  if (hint.empty() || !fault.ends_with(")")) return Fault{fault};
  return Fault{fault.substr(0, fault.size() - 1) + "; " + hint + ")"};
}

// Checks that |path| is a file that can be read, to be copied when the medium is written.
Outcome<> Readable(const std::string& path, const std::string& hint) {
  if (Outcome<std::string> start = ReadFileStart(path, 0); !start) return WithHint(start.fault(), hint);
  return {};
}

bool IsLinuxProgram(const fs::path& path) {
  const Outcome<std::string> start = ReadFileStart(NameOf(path), 4096);
  return start && ReadElfProgram([&start](std::uint64_t offset, std::size_t count) {
           return offset < start->size() ? start->substr(offset, count) : std::string();
         });
}

// The author's programs: every file in |folder| and its folders, copied to the same place on the
// medium, with its execute bit.
Outcome<> AddPrograms(const std::string& folder, const fs::path& root, MediumPlan& plan) {
  const fs::path from = PathOf(folder);
  std::error_code ec;
  if (!fs::is_directory(from, ec)) return Fault{folder + ": not a folder of programs"};
  const fs::path whole_from = fs::weakly_canonical(fs::absolute(from, ec), ec);
  const fs::path whole_root = fs::weakly_canonical(fs::absolute(root, ec), ec);
  if (std::mismatch(whole_from.begin(), whole_from.end(), whole_root.begin(), whole_root.end()).first == whole_from.end())
    return Fault{folder + ": holds the medium's folder " + plan.root + "; give a folder of the programs alone"};
  std::vector<std::string> reserved;
  for (const FileToWrite& file : plan.files) reserved.push_back(Lower(file.name));
  for (const char* name : kPictureNames) reserved.push_back(name);
  fs::recursive_directory_iterator entry(from, ec), end;
  if (ec) return Fault{folder + ": cannot be read (" + ec.message() + ")"};
  for (; entry != end; entry.increment(ec)) {
    if (ec) break;
    const std::string path = NameOf(entry->path());
    const std::u8string relative = entry->path().lexically_relative(from).generic_u8string();
    const std::string name(relative.begin(), relative.end());  // "/" between folders on every system
    const fs::file_status status = entry->status(ec);
    if (fs::is_directory(status)) {
      if (entry->is_symlink(ec))
        return Fault{path + ": a link to a folder, which a medium cannot hold; copy the folder there instead"};
      continue;
    }
    if (!fs::is_regular_file(status))
      return Fault{path + ": not a regular file (a pipe, a device, a socket or a broken link)"};
    if (std::find(reserved.begin(), reserved.end(), Lower(name)) != reserved.end())
      return Fault{path + ": would take the place of the menu's own " + name + "; rename it in options.ini and " +
                   folder};
    if (Outcome<> readable = Readable(path, ""); !readable) return readable;
    constexpr fs::perms kAnyExecute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    plan.files.push_back({name, "", path, (status.permissions() & kAnyExecute) != fs::perms::none});
    plan.inputs.push_back(path);
    ++plan.programs;
  }
  if (ec) return Fault{folder + ": cannot be read (" + ec.message() + ")"};
  return {};
}

}  // namespace

Outcome<MediumPlan> PlanMedium(const MediumSources& sources, const std::string& out_dir) {
  const fs::path root = PathOf(out_dir);
  MediumPlan plan{out_dir, {}, 0, {}, {}};
  std::error_code ec;
  if (fs::exists(root, ec) && !fs::is_directory(root, ec)) return Fault{out_dir + ": not a folder"};
  const fs::path options = root / "options.ini";
  if (sources.options.empty() && !fs::exists(options, ec))
    return Fault{NameOf(options) + ": missing; give one with --options options.ini"};
  const std::string options_path = sources.options.empty() ? NameOf(options) : sources.options;
  // As much of it as the menu reads, and one byte more to tell that the file goes on.
  Outcome<std::string> options_start = ReadFileStart(options_path, kMaxTextFileBytes + 1);
  if (!options_start) return Fault{options_start.fault()};
  plan.inputs.push_back(options_path);
  if (!sources.options.empty() && !fs::equivalent(PathOf(sources.options), options, ec))
    plan.files.push_back({"options.ini", "", sources.options, false});

#ifdef TARVELIN_PROGRAMS_BESIDE_TOOL
  // The tool as it ships looks in the kit's medium folder beside itself, where the kit puts both
  // programs.
  const char* const linux_hint = "the kit has it in the medium folder beside tarvelin-art; or give --linux";
  const char* const windows_hint = "the kit has it in the medium folder beside tarvelin-art; or give --windows";
#else
  const char* const linux_hint = "build it: cmake --preset default && cmake --build --preset default; or give --linux";
  const char* const windows_hint = "build it: cmake --preset mingw && cmake --build --preset mingw; or give --windows";
#endif
  if (Outcome<> readable = Readable(sources.linux_program, linux_hint); !readable) return Fault{readable.fault()};
  plan.files.push_back({kLinuxProgram, "", sources.linux_program, true});
  plan.inputs.push_back(sources.linux_program);
  if (Outcome<> readable = Readable(sources.windows_program, windows_hint); !readable) return Fault{readable.fault()};
  plan.files.push_back({"tarvelin.exe", "", sources.windows_program, false});
  plan.inputs.push_back(sources.windows_program);

  if (!sources.icon.empty()) {
    Outcome<std::string> icon = IconFile(sources.icon);
    if (!icon) return Fault{icon.fault()};
    plan.files.push_back({kDriveIcon, std::move(*icon), "", false});
    plan.inputs.push_back(sources.icon);
  }
  const std::string inf = AutorunInfFor(*options_start, !sources.icon.empty() || fs::exists(root / kDriveIcon, ec));
  const fs::path inf_path = root / "autorun.inf";
  Outcome<std::string> old_inf =
      fs::exists(inf_path, ec) ? ReadFileStart(NameOf(inf_path), kMaxTextFileBytes) : Outcome<std::string>();
  if (!old_inf) return Fault{old_inf.fault()};
  if (sources.replace_autorun || old_inf->empty() || WithoutLabel(*old_inf) == WithoutLabel(inf))
    plan.files.push_back({"autorun.inf", inf, "", false});
  else
    plan.notes.push_back(NameOf(inf_path) + ": kept, as it is not the one this tool writes; --force replaces it");
  plan.files.push_back({"autorun.sh", Text(AutorunSh()), "", true});
  plan.files.push_back({"LICENSES.txt", Text(Licenses()), "", false});
  for (const auto& [name, text] : LicenceTexts()) plan.files.push_back({"licenses/" + name, Text(text), "", false});
  if (!sources.programs.empty())
    if (Outcome<> programs = AddPrograms(sources.programs, root, plan); !programs) return Fault{programs.fault()};
  return plan;
}

std::string NamesOf(const MediumPlan& plan) {
  std::string names;
  for (std::size_t i = 0; i + plan.programs < plan.files.size(); ++i) {
    // The licence texts, one after the other, named as their folder.
    const std::string& name = plan.files[i].name;
    const std::string shown = name.starts_with("licenses/") ? "licenses/" : name;
    if (!names.ends_with(shown)) names += (names.empty() ? "" : ", ") + shown;
  }
  if (plan.programs > 0)
    names += ", " + std::to_string(plan.programs) + (plan.programs == 1 ? " file" : " files") + " of your programs";
  return names;
}

Outcome<> LayOutMedium(const MediumPlan& plan) {
  if (Outcome<> written = PutFilesInPlace(plan.root, plan.files); !written) return written;
  // The Linux program of an earlier layout, at the name that Windows shows as the menu's too.
  const fs::path root = PathOf(plan.root);
  std::error_code ec;
  if (IsLinuxProgram(root / "tarvelin")) fs::remove(root / "tarvelin", ec);
  return {};
}

}  // namespace tarvelin
