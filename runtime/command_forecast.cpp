#include "runtime/command_forecast.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/command_line.h"

namespace tarvelin {
namespace {

using Kind = FileQueries::Kind;

// The bytes a file's kind is told from: as many as the Linux kernel reads of a "#!" line.
constexpr std::size_t kFirstBytes = 256;
// The bytes a program's headers and its loader's name are read from: a linker puts them in the
// first page.
constexpr std::size_t kProgramHeaderBytes = 4096;

bool IsWindowsProgram(std::string_view bytes) { return bytes.starts_with("MZ"); }

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\r') quoted += "\\r";
    else quoted += c;
  }
  return quoted + '"';
}

// The lower-case extension of a file's name, without its dot; empty when it has none.
std::string ExtensionOf(std::string_view path) {
  const std::size_t file = path.find_last_of("\\/:");
  const std::string_view name = path.substr(file == std::string_view::npos ? 0 : file + 1);
  const std::size_t dot = name.rfind('.');
  std::string extension(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

// A path from the root of a system, Windows's or Linux's: on the user's system, not on the medium.
bool FromSystemRoot(std::string_view path) {
  return path.starts_with('\\') || path.starts_with('/') || (path.size() >= 2 && path[1] == ':');
}

// The medium's files; a path from the root of a system is missing, wherever the medium is read.
class OnlyTheMedium final : public MediumFiles {
 public:
  explicit OnlyTheMedium(MediumFiles& medium) : medium_(medium) {}

  Kind KindOf(const std::string& path) override { return FromSystemRoot(path) ? Kind::Missing : medium_.KindOf(path); }
  bool NameExists(const std::string& path) override { return !FromSystemRoot(path) && medium_.NameExists(path); }
  std::vector<std::string> Names(const std::string& folder) override {
    return FromSystemRoot(folder) ? std::vector<std::string>() : medium_.Names(folder);
  }
  std::string FirstBytes(const std::string& path, std::size_t count) override {
    return FromSystemRoot(path) ? std::string() : medium_.FirstBytes(path, count);
  }
  bool LacksExecuteBit(const std::string& path) override {
    return !FromSystemRoot(path) && medium_.LacksExecuteBit(path);
  }

 private:
  MediumFiles& medium_;
};

// Answers StartCommand's questions from a medium, recording what the system would do.
class Forecaster : public CommandSystem {
 public:
  explicit Forecaster(MediumFiles& medium) : medium_(medium) {}

  Forecast Tell(std::string_view command) {
    const StartResult result = StartCommand(command, *this);
    if (!result.Started()) return {Forecast::Outcome::Nothing, result.failure};
    return forecast_;
  }

 protected:
  RunAttempt Runs(std::string what) {
    forecast_ = {Forecast::Outcome::Runs, std::move(what)};
    return {RunAttempt::Outcome::Started};
  }
  RunAttempt Searches(std::string what) {
    forecast_ = {Forecast::Outcome::Searches, std::move(what)};
    return {RunAttempt::Outcome::Started};
  }
  StartResult Opens(std::string what) {
    forecast_ = {Forecast::Outcome::Opens, std::move(what)};
    return {StartResult::Outcome::Started};
  }
  // True when a name the command may mean stands for a file or folder on the medium, which the
  // rule opens once the system's search finds no program of that name (as on a user's system
  // without one).
  bool OnMediumAsAnyName(std::string_view command_line) {
    for (const ProgramCandidate& candidate : ProgramCandidates(command_line))
      if (Existing(candidate.program)) return true;
    return false;
  }

  OnlyTheMedium medium_;

 private:
  Forecast forecast_;
};

// --- Windows

std::string WindowsName(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

class WindowsForecaster final : public Forecaster {
 public:
  using Forecaster::Forecaster;

  // Windows's file systems match names ignoring case.
  std::optional<Found> OnMedium(std::string_view name, bool) override {
    const std::optional<std::string> found = FindIgnoringCase(LinuxPath(WindowsProgramFile(name)), medium_);
    if (!found || medium_.KindOf(*found) != Kind::File) return std::nullopt;
    return Found{*found};
  }

  // CreateProcessW runs a PE file, and a batch file through cmd.exe; any other file goes to the
  // shell, but one named as a program (.exe, .com) is refused there too.
  RunAttempt RunFound(const std::string& path, std::string_view, const Arguments&) override {
    const std::string extension = ExtensionOf(path);
    if (extension == "bat" || extension == "cmd")
      return Runs("runs " + WindowsName(path) + " on the medium (a batch file, through cmd.exe)");
    if (IsWindowsProgram(medium_.FirstBytes(path, kFirstBytes))) return Runs("runs " + WindowsName(path) + " on the medium");
    if (extension == "exe" || extension == "com")
      return {RunAttempt::Outcome::Failed, WindowsName(path) + " is no Windows program (it lacks a program's header)"};
    return {RunAttempt::Outcome::NotAProgram, {}, path};
  }

  // CreateProcessW searches the system's folders and PATH for a bare name, .exe added.
  RunAttempt RunSearched(std::string_view name, const Arguments&, std::string_view command_line) override {
    if (OnMediumAsAnyName(command_line)) return {RunAttempt::Outcome::NotFound};
    const std::string program = WindowsName(WindowsProgramFile(name));
    if (FromSystemRoot(name)) return Searches("runs " + program + " from the user's system, which may or may not have it");
    if (name.find_first_of("\\/") != std::string_view::npos)
      return {RunAttempt::Outcome::NotFound, "no file " + program + " is on the medium"};
    return Searches("looks for " + program + " in the system's folders and PATH, where the user's system may or may not have it");
  }

  StartResult Open(const std::string& target, std::string_view) override {
    if (IsDesktopLink(target)) return Opens("opens the link " + target + " in the user's browser or mail program");
    if (medium_.KindOf(target) == Kind::Folder) return Opens("opens the folder " + WindowsName(target) + " in Explorer");
    const std::string extension = ExtensionOf(target);
    if (extension.empty())
      return {StartResult::Outcome::Failed,
              WindowsName(target) + " has no extension, so Windows has no program to open it with"};
    return Opens("opens " + WindowsName(target) + " with the program Windows has for ." + extension + " files");
  }

  std::optional<std::string> Existing(std::string_view name) override {
    return FindIgnoringCase(LinuxPath(name), medium_);
  }
};

// --- Linux

class LinuxForecaster final : public Forecaster {
 public:
  using Forecaster::Forecaster;

  std::optional<Found> OnMedium(std::string_view name, bool whole_command) override {
    return FindOnLinuxMedium(name, whole_command, medium_);
  }

  // A script runs through the interpreter of its "#!" line and an x86-64 program runs; another
  // program fails, and any other file goes to the opener.
  RunAttempt RunFound(const std::string& path, std::string_view, const Arguments&) override {
    const std::string bytes = medium_.FirstBytes(path, kFirstBytes);
    if (const std::optional<ScriptLine> script = ReadScriptLine(bytes)) return RunScript(path, *script);
    if (bytes.starts_with("\x7f" "ELF")) return RunProgram(path);
    return {RunAttempt::Outcome::NotAProgram, {}, path};
  }

  // A bare name is searched in PATH; a path runs as it stands.
  RunAttempt RunSearched(std::string_view name, const Arguments&, std::string_view command_line) override {
    if (OnMediumAsAnyName(command_line)) return {RunAttempt::Outcome::NotFound};
    const std::string path = LinuxPath(name);
    if (path.starts_with('/')) return Searches("runs " + path + " from the user's system, which may or may not have it");
    if (path.find('/') != std::string::npos) return {RunAttempt::Outcome::Failed, "no file " + path + " is on the medium"};
    return Searches("looks for " + path + " in PATH, where the user's system may or may not have it");
  }

  StartResult Open(const std::string& target, std::string_view) override {
    if (IsDesktopLink(target)) return Opens("opens the link " + target + " in the user's browser or mail program");
    if (medium_.KindOf(target) == Kind::Folder) return Opens("opens the folder " + target + " in the file manager");
    if (IsWindowsProgram(medium_.FirstBytes(target, kFirstBytes)))
      return {StartResult::Outcome::Failed,
              target + " is a Windows program, which the desktop's opener runs only where Wine is installed"};
    return Opens("gives " + target + " to the desktop's opener, which opens it with the program the desktop has for it");
  }

  std::optional<std::string> Existing(std::string_view name) override {
    std::string path = LinuxPath(name);
    if (medium_.KindOf(path) == Kind::Missing) return std::nullopt;
    return path;
  }

 private:
  // A program without execute bits runs from a medium whose file system keeps none, through its
  // interpreter or loader; on one that keeps them (ext4, ISO 9660 with Rock Ridge) it goes to the
  // opener. Where this folder keeps them, the author can give them before the medium is made.
  RunAttempt RunsOnMedium(const std::string& path, std::string what) {
    if (medium_.LacksExecuteBit(path))
      what += " only where the medium's file system keeps no execute bits (FAT, exFAT, ISO 9660 without Rock Ridge), "
              "as it has none: elsewhere it goes to the desktop's opener (chmod +x " + path + ")";
    return Forecaster::Runs(std::move(what));
  }

  RunAttempt RunScript(const std::string& path, const ScriptLine& script) {
    const std::string line = script.interpreter + (script.argument.empty() ? "" : " " + script.argument);
    if (script.carriage_return)
      return {RunAttempt::Outcome::Failed, path + ": its first line ends in a carriage return (saved with Windows line "
                                                  "ends), so its interpreter would be " + Quoted(line) + ", which no system has"};
    if (script.interpreter.empty())
      return {RunAttempt::Outcome::Failed, path + ": its \"#!\" line names no interpreter"};
    return RunsOnMedium(path, "runs " + path + " on the medium (a script, through " + line + ")");
  }

  // The Linux systems the menu is for are x86-64: they run a 32-bit x86 program through its loader
  // where their 32-bit libraries are installed.
  RunAttempt RunProgram(const std::string& path) {
    const std::string first = medium_.FirstBytes(path, kProgramHeaderBytes);
    const ElfProgram program = ReadElfProgram([&first](std::uint64_t offset, std::size_t count) {
                                 return offset < first.size() ? first.substr(offset, count) : std::string();
                               }).value_or(ElfProgram{});
    if (IsX86_64Program(program)) return RunsOnMedium(path, "runs " + path + " on the medium (an x86-64 program)");
    if (IsX86Program(program)) {
      std::string what = "runs " + path + " on the medium (a 32-bit x86 program";
      if (!program.loader.empty())
        what += ", through its loader " + program.loader + ", which x86-64 systems have where their 32-bit libraries "
                "are installed";
      return RunsOnMedium(path, what + ")");
    }
    return {RunAttempt::Outcome::Failed, path + " is a program for another kind of processor (ELF machine " +
                                             std::to_string(program.machine) + "), not for x86-64"};
  }
};

}  // namespace

Forecast ForecastOnWindows(std::string_view command, MediumFiles& medium) {
  return WindowsForecaster(medium).Tell(command);
}

Forecast ForecastOnLinux(std::string_view command, MediumFiles& medium) {
  return LinuxForecaster(medium).Tell(command);
}

}  // namespace tarvelin
