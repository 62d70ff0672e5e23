// Program start on POSIX, without a shell.
//
// For a program, the menu forks a short-lived middle child, which forks the program's process; the
// program, left without a parent when the middle child ends, is adopted and reaped by the system.
// So no program start ever leaves a zombie and the menu needs no SIGCHLD handling. Before it runs
// the program, its process:
//  - leads a session of its own, so that closing the menu, its terminal or its process group does
//    not end it;
//  - has standard input from /dev/null (it must never compete for the menu's terminal), keeps the
//    menu's standard output and error for its messages (/dev/null where the menu has none, so that
//    a file it opens never becomes its standard output), and has no other descriptor;
//  - has every signal at its default action and none blocked.
// If the program cannot run (or the second fork fails), the reason travels back over a pipe that
// closes on exec.
//
// For a program, the middle child ends at once and the menu learns the outcome before Spawn
// returns. A document, a folder, a file the system will not run or a link goes to the desktop's
// opener, xdg-open; the opener hands the target on and ends, and a target it cannot open is a
// failure like a program that cannot start. The opener is the menu's own child, started from the
// root folder, and its verdict is its exit within a little while: no copy of the menu waits for
// it, which would hold the menu's display connection, its folder on the medium and its program
// file, and keep the medium from being unmounted after the menu has closed. Whoever takes the
// verdict reaps the opener.
//
// Between fork and exec only async-signal-safe calls are made: everything that allocates happens
// before the fork, and the middle child forks with the bare system call, which runs no fork
// handlers. The program runs on glibc 2.17 and later, so it calls nothing newer (no _Fork, no
// closefrom) and asks the kernel directly.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/linux/process.h"
#include "runtime/linux/program_file.h"
#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {
namespace {

// The descriptor where the program's process keeps the pipe that reports a failed exec; every
// descriptor above it is closed.
constexpr int kReportFd = 3;

// How long the opener has to refuse a target. An opener still running then has taken it: in some
// desktops it runs the application itself and ends only when the user closes that.
constexpr int kOpenerVerdictMilliseconds = 2000;

// Everything the program's process needs, ready before the fork.
struct Launch {
  const char* path;
  char* const* argv;
  char* const* envp;
  int null_device;  // -1 when /dev/null cannot be opened
  int report;
  int descriptor_limit;  // every descriptor is below this
  bool from_root;        // run from the root folder, not the menu's
};

// Moves a descriptor above standard input, output and error, so that the child's rearranging of
// those three cannot overwrite it.
UniqueFd AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2) return UniqueFd(fd);
  UniqueFd moved(fcntl(fd, F_DUPFD_CLOEXEC, kReportFd));
  close(fd);
  return moved;
}

bool IsRunnableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The search path when PATH is not set: the system's own default, as execvp uses.
std::string DefaultSearchPath() {
  std::string path(confstr(_CS_PATH, nullptr, 0), '\0');
  if (path.empty()) return "/bin:/usr/bin";
  confstr(_CS_PATH, path.data(), path.size());
  path.pop_back();  // the terminating NUL
  return path;
}

[[noreturn]] void ReportAndExit(int report, int error) {
  // Nothing can be done if the report cannot be written: the menu then sees a start.
  [[maybe_unused]] const ssize_t written = write(report, &error, sizeof error);
  _exit(127);
}

// Kernels before Linux 5.9 have no close_range; there each possible descriptor is closed in turn.
// (The kernel's own name for the call: C libraries before glibc 2.32 have no SYS_close_range.)
void CloseDescriptorsFrom(int first, int limit) {
  if (syscall(__NR_close_range, first, ~0U, 0) == 0) return;
  for (int fd = first; fd < limit; ++fd) close(fd);
}

// A fork that runs no fork handlers, as glibc 2.34's _Fork.
pid_t ForkWithoutHandlers() { return static_cast<pid_t>(syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0)); }

// The highest number a descriptor of this process can have, plus one.
int DescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 1 << 20)
    return 1 << 20;
  return static_cast<int>(limit.rlim_cur);
}

[[noreturn]] void RunProgram(const Launch& launch) {
  if (launch.null_device >= 0) dup2(launch.null_device, STDIN_FILENO);
  else close(STDIN_FILENO);
  for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(stream, F_GETFD) < 0) {
      if (launch.null_device >= 0) dup2(launch.null_device, stream);
    } else {
      fcntl(stream, F_SETFD, 0);
    }
  }
  if (launch.report != kReportFd && dup3(launch.report, kReportFd, O_CLOEXEC) < 0) ReportAndExit(launch.report, errno);
  CloseDescriptorsFrom(kReportFd + 1, launch.descriptor_limit);

  if (setsid() < 0) ReportAndExit(kReportFd, errno);
  // The opener is given absolute paths; from the root it holds no folder of the medium's. Should the
  // change fail, it runs from the menu's folder.
  if (launch.from_root) {
    [[maybe_unused]] const int ignored = chdir("/");
  }
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  // Signals that cannot be changed (SIGKILL, SIGSTOP, those the C library keeps) simply refuse.
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) sigaction(signal_number, &default_action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  execve(launch.path, launch.argv, launch.envp);
  ReportAndExit(kReportFd, errno);
}

[[noreturn]] void RunMiddleChild(const Launch& launch) {
  const pid_t program = ForkWithoutHandlers();
  if (program == 0) RunProgram(launch);
  if (program < 0) ReportAndExit(launch.report, errno);
  _exit(0);
}

// Reads the failure report of a start: 0 when the pipe closed with nothing in it, else the error.
int StartFailure(const UniqueFd& report) {
  int error = 0;
  for (;;) {
    const ssize_t got = read(report.get(), &error, sizeof error);
    if (got == 0) return 0;
    if (got > 0) return error ? error : EIO;
    if (errno != EINTR) return errno;
  }
}

void Reap(pid_t child) {
  // ECHILD only means someone else reaped it already (a SIGCHLD set to be ignored, for one).
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Forks the child for the program at |path| with |words| as its arguments: the middle child, or for
// an opener the opener itself. Gives the read end of the report pipe and the child, or the error.
struct Forked {
  int error = 0;
  UniqueFd report{};
  pid_t child = -1;
};
Forked Fork(const std::string& path, std::vector<std::string>& words, bool opener) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const UniqueFd null_device = AboveStandardStreams(open("/dev/null", O_RDWR | O_CLOEXEC));
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {errno};
  UniqueFd report_read = AboveStandardStreams(pipe_ends[0]);
  UniqueFd report_write = AboveStandardStreams(pipe_ends[1]);
  if (!report_read || !report_write) return {EMFILE};
  const Launch launch{path.c_str(), argv.data(), environ, null_device.get(), report_write.get(), DescriptorLimit(),
                      opener};

  // With every signal blocked across the fork, no handler of the menu's can run in a child.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  const pid_t child = fork();
  if (child == 0) {
    if (opener) RunProgram(launch);
    RunMiddleChild(launch);
  }
  const int fork_error = errno;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (child < 0) return {fork_error};
  return {0, std::move(report_read), child};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// A path that names |target| whatever the current folder: its full path where that leads to it,
// else for a relative target the path through the held folder. A link, or a name that names no file
// here, goes as it is, for the opener to take or refuse.
std::optional<std::string> PathFromAnywhere(const std::string& target, const std::string& held_folder) {
  struct stat info {};
  if (stat(target.c_str(), &info) != 0) return target;
  char* resolved = realpath(target.c_str(), nullptr);
  const std::string full = resolved ? resolved : "";
  free(resolved);
  if (!full.empty() && SameFile(full, target)) return full;
  if (target.starts_with('/') || held_folder.empty()) return std::nullopt;
  const std::string through = held_folder + "/" + target;
  if (SameFile(through, target)) return through;
  return std::nullopt;
}

}  // namespace

int Spawn(const std::string& path, std::vector<std::string>& words) {
  Forked forked = Fork(path, words, false);
  if (forked.error != 0) return forked.error;
  Reap(forked.child);
  return StartFailure(forked.report);
}

StartResult OpenWithDesktop(const std::string& target, const std::string& held_folder,
                            std::optional<OpenerVerdict>& verdict) {
  const std::optional<std::string> opener = FindInSearchPath("xdg-open");
  if (!opener) return {StartResult::Outcome::Failed, "it is no program, and no desktop opener (xdg-open) is there to open it"};
  // The opener runs from the root folder and may hand the target to a process with yet another
  // current directory.
  const std::optional<std::string> named = PathFromAnywhere(target, held_folder);
  if (!named)
    return {StartResult::Outcome::Failed, "no path names it for the desktop's opener any more: its folder is no longer "
                                          "where its path leads (the medium was unmounted)"};
  std::vector<std::string> words = {"xdg-open", *named};
  // Whoever started the menu may have set SIGCHLD to be ignored, and the system would then reap the
  // opener before its exit status could be read. The menu itself takes no notice of SIGCHLD.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGCHLD, &default_action, nullptr);
  Forked forked = Fork(*opener, words, true);
  if (forked.error != 0) return {StartResult::Outcome::Failed, WhyItCannotRun({}, forked.error)};
  // Kernels before Linux 5.3 give no descriptor for a process: there the verdict is looked for in turns.
  UniqueFd ended(static_cast<int>(syscall(__NR_pidfd_open, forked.child, 0)));
  verdict.emplace(forked.child, std::move(ended), kOpenerVerdictMilliseconds);
  return {StartResult::Outcome::Started};
}

std::optional<std::string> FindInSearchPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  const char* path_variable = getenv("PATH");
  const std::string search = path_variable ? path_variable : DefaultSearchPath();
  for (std::size_t start = 0; start <= search.size();) {
    const std::size_t end = std::min(search.find(':', start), search.size());
    const std::string directory = search.substr(start, end - start);
    std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + name;
    if (IsRunnableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

OpenerVerdict::OpenerVerdict(pid_t opener, UniqueFd ended, int milliseconds)
    : opener_(opener), ended_(std::move(ended)) {
  clock_gettime(CLOCK_MONOTONIC, &deadline_);
  deadline_.tv_sec += milliseconds / 1000;
  deadline_.tv_nsec += (milliseconds % 1000) * 1'000'000L;
  if (deadline_.tv_nsec >= 1'000'000'000L) {
    deadline_.tv_sec += 1;
    deadline_.tv_nsec -= 1'000'000'000L;
  }
}

OpenerVerdict::OpenerVerdict(OpenerVerdict&& other) noexcept
    : opener_(std::exchange(other.opener_, -1)),
      ended_(std::move(other.ended_)),
      deadline_(other.deadline_),
      reaped_(std::exchange(other.reaped_, true)),
      status_(other.status_),
      taken_(other.taken_) {}

OpenerVerdict& OpenerVerdict::operator=(OpenerVerdict&& other) noexcept {
  if (this != &other) {
    opener_ = std::exchange(other.opener_, -1);
    ended_ = std::move(other.ended_);
    deadline_ = other.deadline_;
    reaped_ = std::exchange(other.reaped_, true);
    status_ = other.status_;
    taken_ = other.taken_;
  }
  return *this;
}

int OpenerVerdict::MillisecondsLeft() const {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long left = (deadline_.tv_sec - now.tv_sec) * 1000LL + (deadline_.tv_nsec - now.tv_nsec) / 1'000'000L;
  return static_cast<int>(std::clamp(left, 0LL, static_cast<long long>(kOpenerVerdictMilliseconds)));
}

bool OpenerVerdict::Reap() {
  if (reaped_) return true;
  int status = 0;
  const pid_t got = waitpid(opener_, &status, WNOHANG);
  if (got == opener_) {
    status_ = status;
    reaped_ = true;
  } else if (got < 0 && errno == ECHILD) {
    reaped_ = true;  // reaped by someone else; its status is lost
  }
  return reaped_;
}

bool OpenerVerdict::Ready() {
  if (!taken_) {
    if (Reap() && status_) taken_ = WIFEXITED(*status_) && WEXITSTATUS(*status_) == 0;
    else if (reaped_) taken_ = true;
    else if (MillisecondsLeft() == 0) taken_ = true;
  }
  return taken_.has_value();
}

std::string OpenerVerdict::Refusal() const {
  if (!status_) return "the desktop's opener ended, and its exit status was lost";
  if (WIFSIGNALED(*status_))
    return "the desktop's opener (xdg-open) was ended by signal " + std::to_string(WTERMSIG(*status_));
  const int code = WEXITSTATUS(*status_);
  // xdg-open's own exit statuses, and the shell's for a program it could not run.
  const char* meaning = code == 1   ? "a bad command line"
                        : code == 2 ? "the file does not exist"
                        : code == 3 ? "a tool it needs was not found"
                        : code == 4 ? "the action failed: no application opened it"
                        : code == 127 ? "it could not run"
                                      : nullptr;
  return "the desktop's opener (xdg-open) refused it, ending with exit status " + std::to_string(code) +
         (meaning ? std::string(" (") + meaning + ")" : std::string());
}

bool OpenerVerdict::Read() {
  constexpr int kTurnMilliseconds = 10;
  while (!Ready()) {
    pollfd ended{ended_.get(), POLLIN, 0};
    poll(&ended, 1, ended_ ? MillisecondsLeft() : std::min(MillisecondsLeft(), kTurnMilliseconds));
  }
  return *taken_;
}

}  // namespace tarvelin::posix
