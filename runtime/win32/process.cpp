#include "runtime/win32/process.h"

#include <objbase.h>
#include <shellapi.h>

#include "runtime/win32/owned_handle.h"
#include "runtime/win32/wide_text.h"

namespace tarvelin {
namespace {

using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
using CoInitializeExFunction = HRESULT(WINAPI*)(void*, DWORD);

// SHELL32 and OLE32 are loaded only when a program needs them, by their full path in the system
// directory. Were they imported, the loader would resolve their own dependencies before wWinMain
// restricts the DLL search, and some systems (Wine) then take a DLL planted beside the program.
FARPROC FunctionFromSystemDirectory(const wchar_t* dll, const char* function) {
  std::wstring path(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path.resize(length);
  HMODULE module = LoadLibraryW((path + L"\\" + dll).c_str());
  return module ? GetProcAddress(module, function) : nullptr;
}

// The shell hands some documents and links to handlers that delegate the start through COM (the
// default apps for PDFs and pictures on Windows 10 and 11), which may fail on a thread without it:
// ShellExecuteEx is documented to need COM on the calling thread, apartment-threaded, with OLE1
// DDE off. The menu's one thread enters that apartment once, for good, at its first shell start.
void EnterComApartmentOnce(bool& entered) {
  if (entered) return;
  entered = true;
  const auto initialise = reinterpret_cast<CoInitializeExFunction>(
      reinterpret_cast<void*>(FunctionFromSystemDirectory(L"ole32.dll", "CoInitializeEx")));
  // Without COM the shell still starts what needs no handler of that kind.
  if (initialise) initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
  SystemProgramStarter(HWND owner, std::wstring directory, bool& com_entered)
      : owner_(owner), directory_(std::move(directory)), com_entered_(com_entered) {}

  DWORD StartProcess(const std::string& application, const std::string& command_line) override {
    const std::wstring application_path = Utf8ToWide(application);
    std::wstring line = Utf8ToWide(command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The current directory is the application directory by now; the program inherits it.
    const SystemFolderUnredirected native_system_folder;
    if (!CreateProcessW(application_path.empty() ? nullptr : application_path.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process))
      return GetLastError();
    // Nothing waits for the program: its handles go as soon as it has started.
    const OwnedHandle thread(process.hThread), started(process.hProcess);
    return ERROR_SUCCESS;
  }

  DWORD StartThroughShell(const ProgramAndArguments& command) override {
    EnterComApartmentOnce(com_entered_);
    const auto execute = reinterpret_cast<ShellExecuteExFunction>(
        reinterpret_cast<void*>(FunctionFromSystemDirectory(L"shell32.dll", "ShellExecuteExW")));
    if (!execute) return ERROR_PROC_NOT_FOUND;
    const std::wstring file = Utf8ToWide(command.program);
    const std::wstring parameters = Utf8ToWide(command.arguments);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // The shell shows no error box of its own: failures get the menu's one message.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner_;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory_.empty() ? nullptr : directory_.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (execute(&info)) return ERROR_SUCCESS;
    // A failure must never read as a start, even when the shell set no error code.
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
  }

  std::string FileOnMedium(const std::string& utf8_name) override {
    const std::wstring name = Utf8ToWide(utf8_name);
    // A name with a drive or from the root names its own place; any other is the medium's.
    const bool placed = name.size() >= 2 && (name[1] == L':' || name[0] == L'\\' || name[0] == L'/');
    const bool separated = directory_.empty() || directory_.back() == L'\\';
    const std::wstring path = placed ? name : directory_ + (separated ? L"" : L"\\") + name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return WideToUtf8(FullPath(path));
  }

  std::string ExistingFullPath(const std::string& name) override { return WideToUtf8(FullPath(Utf8ToWide(name))); }

 private:
  // The full path of an existing file or folder; empty when there is none.
  static std::wstring FullPath(const std::wstring& name) {
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, path.data(), nullptr);
    if (length == 0 || length >= size) return {};
    path.resize(length);
    return path;
  }

  HWND owner_;
  std::wstring directory_;
  bool& com_entered_;
};

}  // namespace

std::unique_ptr<ProgramStarter> SystemStarter(HWND owner, std::wstring directory, bool& com_entered) {
  return std::make_unique<SystemProgramStarter>(owner, std::move(directory), com_entered);
}

}  // namespace tarvelin
