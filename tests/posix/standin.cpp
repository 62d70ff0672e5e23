// Stands in for a program that the menu starts, and tells the tests what it was started with.
//
// TARVELIN_STANDIN_REPORT names the file it writes (whole, by a rename) with one line per fact:
//   pid N / sid N / pgid N / cwd PATH / exedir PATH / sigblk HEX / sigign HEX / fd N TARGET / arg TEXT
// TARVELIN_STANDIN_TALLY names a file it appends one line to, so that many starts can be counted.
// TARVELIN_STANDIN_HOLD names a file it waits for after reporting; it then creates that name with
// ".released" appended, which shows it was still running.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "runtime/linux/files.h"

namespace {

std::string StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(name + ":")) return line.substr(line.find_first_not_of(" \t", name.size() + 1));
  return "?";
}

void ListDescriptors(std::ostream& out) {
  DIR* directory = opendir("/proc/self/fd");
  if (!directory) return;
  while (const dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || std::stoi(name) == dirfd(directory)) continue;
    std::error_code error;
    out << "fd " << name << ' ' << std::filesystem::read_symlink("/proc/self/fd/" + name, error).string() << '\n';
  }
  closedir(directory);
}

void WriteReport(const std::string& path, int argc, char** argv) {
  std::ostringstream out;
  out << "pid " << getpid() << "\nsid " << getsid(0) << "\npgid " << getpgid(0) << '\n';
  out << "cwd " << std::filesystem::current_path().string() << '\n';
  out << "exedir " << tarvelin::posix::ExecutableDirectory() << '\n';
  out << "sigblk " << StatusField("SigBlk") << "\nsigign " << StatusField("SigIgn") << '\n';
  ListDescriptors(out);
  for (int i = 0; i < argc; ++i) out << "arg " << argv[i] << '\n';
  const std::string part = path + ".part";
  std::ofstream(part) << out.str();
  std::filesystem::rename(part, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* report = std::getenv("TARVELIN_STANDIN_REPORT")) WriteReport(report, argc, argv);
  if (const char* tally = std::getenv("TARVELIN_STANDIN_TALLY")) {
    const int file = open(tally, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    [[maybe_unused]] const ssize_t written = write(file, "started\n", 8);
    close(file);
  }
  if (const char* hold = std::getenv("TARVELIN_STANDIN_HOLD")) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(hold) && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ofstream(std::string(hold) + ".released") << "released\n";
  }
  return 0;
}
