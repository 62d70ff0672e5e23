#include "runtime/win32/program_start.h"

#include <shellapi.h>

#include "runtime/win32/wide_text.h"
#include "runtime/win32/win32_system.h"

namespace tarvelin {
namespace {

using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

// SHELL32 is loaded only when a program needs it, by its full path in the system directory. Were it
// imported, the loader would resolve SHELL32's own dependencies before wWinMain restricts the DLL
// search, and some systems (Wine) then take a DLL planted beside the program.
ShellExecuteExFunction ShellExecuteFromSystemDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path.resize(length);
  HMODULE shell32 = LoadLibraryW((path + L"\\shell32.dll").c_str());
  if (!shell32) return nullptr;
  return reinterpret_cast<ShellExecuteExFunction>(reinterpret_cast<void*>(GetProcAddress(shell32, "ShellExecuteExW")));
}

// A 32-bit program on 64-bit Windows sees the 32-bit SysWOW64 where a path names the system
// folder (System32), and the system's search for a bare program name goes there too. A command
// naming a program of the system folder (msiexec, cmd, one that only the 64-bit folder has) is
// meant for the system's own, so redirection is off while CreateProcessW finds and starts it, and
// on again before anything else runs: DLLs this process loads must come from SysWOW64. On 32-bit
// Windows there is nothing to turn off and the calls fail harmlessly.
class SystemFolderUnredirected {
 public:
  SystemFolderUnredirected() : off_(Wow64DisableWow64FsRedirection(&previous_) != FALSE) {}
  ~SystemFolderUnredirected() {
    if (off_) Wow64RevertWow64FsRedirection(previous_);
  }
  SystemFolderUnredirected(const SystemFolderUnredirected&) = delete;
  SystemFolderUnredirected& operator=(const SystemFolderUnredirected&) = delete;

 private:
  void* previous_ = nullptr;
  bool off_;
};

class SystemProgramStarter final : public ProgramStarter {
 public:
  SystemProgramStarter(HWND owner, std::wstring directory) : owner_(owner), directory_(std::move(directory)) {}

  DWORD StartProcess(const std::wstring& application, std::wstring command_line) override {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The current directory is the application directory by now; the program inherits it.
    const SystemFolderUnredirected native_system_folder;
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
      return GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ERROR_SUCCESS;
  }

  DWORD StartThroughShell(const ProgramAndArguments& command) override {
    const auto execute = ShellExecuteFromSystemDirectory();
    if (!execute) return ERROR_PROC_NOT_FOUND;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // The shell shows no error box of its own: failures get the menu's one message.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner_;
    info.lpVerb = L"open";
    info.lpFile = command.program.c_str();
    info.lpParameters = command.arguments.empty() ? nullptr : command.arguments.c_str();
    info.lpDirectory = directory_.empty() ? nullptr : directory_.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (execute(&info)) return ERROR_SUCCESS;
    // A failure must never read as a start, even when the shell set no error code.
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
  }

  std::wstring FileOnMedium(const std::wstring& name) override {
    // A name with a drive or from the root names its own place; any other is the medium's.
    const bool placed = name.size() >= 2 && (name[1] == L':' || name[0] == L'\\' || name[0] == L'/');
    const bool separated = directory_.empty() || directory_.back() == L'\\';
    const std::wstring path = placed ? name : directory_ + (separated ? L"" : L"\\") + name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return ExistingFullPath(path);
  }

  std::wstring ExistingFullPath(const std::wstring& name) override {
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, path.data(), nullptr);
    if (length == 0 || length >= size) return {};
    path.resize(length);
    return path;
  }

 private:
  HWND owner_;
  std::wstring directory_;
};

}  // namespace

bool Win32System::Shell(const std::string& command_line) {
  SystemProgramStarter starter(owner_, Utf8ToWide(app_path_));
  // A user who declined the consent prompt needs no error box: nothing is reported then.
  return StartCommand(Utf8ToWide(command_line), starter) != StartResult::Failed;
}

}  // namespace tarvelin
