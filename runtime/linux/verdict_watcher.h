#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/linux/process.h"
#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {

// Waits for openers' verdicts on a thread of its own, so that whoever started them never waits.
class VerdictWatcher {
 public:
  VerdictWatcher() = default;
  ~VerdictWatcher() { Stop(); }
  VerdictWatcher(const VerdictWatcher&) = delete;
  VerdictWatcher& operator=(const VerdictWatcher&) = delete;

  // Starts the watching unless it runs; false, and |why| says why, when the system gives it no
  // thread (a small limit on processes or on the address space) or no pipe to wake it by.
  bool Start(std::string& why);
  // Calls |done| with the verdict (OpenerVerdict::Read) and, for a refusal, the opener's answer
  // (OpenerVerdict::Refusal) on the watcher's thread once it is in. Nothing is watched unless the
  // watching runs (Start).
  using Done = std::function<void(bool taken, const std::string& refusal)>;
  void Watch(OpenerVerdict verdict, Done done);
  // Ends the watching: verdicts still to come are never reported. Returns once the thread has
  // ended; Start may start it again.
  void Stop();

 private:
  struct Watched {
    OpenerVerdict verdict;
    Done done;
  };
  void Run();

  std::mutex mutex_;
  std::vector<Watched> watched_;
  bool stopping_ = false;
  // Wakes the thread when a verdict is added or the watching stops.
  UniqueFd wake_read_, wake_write_;
  std::thread thread_;
};

}  // namespace tarvelin::posix
