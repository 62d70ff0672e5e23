// The thread that waits for openers' verdicts: it sleeps in poll() on the openers' ends, until the
// first one's time to refuse runs out, and on a pipe of its own, which wakes it when another
// verdict is to be watched or the watching stops.

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "runtime/linux/verdict_watcher.h"

namespace tarvelin::posix {
namespace {

// Without a descriptor for an opener's end, or without poll, openers are looked at in turns of
// this many milliseconds.
constexpr int kTurnMilliseconds = 10;

}  // namespace

bool VerdictWatcher::Start(std::string& why) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) return true;
  int wake[2];
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    why = std::string("no pipe to wake a watching thread: ") + std::strerror(errno);
    return false;
  }
  wake_read_.reset(wake[0]);
  wake_write_.reset(wake[1]);
  stopping_ = false;
  try {
    thread_ = std::thread(&VerdictWatcher::Run, this);
  } catch (const std::system_error& error) {
    wake_read_.reset();
    wake_write_.reset();
    why = std::string("no thread to watch with: ") + error.what();
    return false;
  }
  return true;
}

void VerdictWatcher::Watch(OpenerVerdict verdict, Done done) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!thread_.joinable() || stopping_) return;
  watched_.push_back({std::move(verdict), std::move(done)});
  [[maybe_unused]] const ssize_t written = write(wake_write_.get(), "w", 1);
}

void VerdictWatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
    [[maybe_unused]] const ssize_t written = write(wake_write_.get(), "s", 1);
  }
  thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  watched_.clear();
  wake_read_.reset();
  wake_write_.reset();
}

void VerdictWatcher::Run() {
  // Openers that took their target and still run, reaped once they end; only this thread has them.
  std::vector<OpenerVerdict> running;
  for (;;) {
    std::vector<pollfd> descriptors = {{wake_read_.get(), POLLIN, 0}};
    int timeout = -1;
    const auto sooner = [&timeout](int milliseconds) {
      timeout = timeout < 0 ? milliseconds : std::min(timeout, milliseconds);
    };
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      for (const Watched& watched : watched_) {
        descriptors.push_back({watched.verdict.Descriptor(), POLLIN, 0});
        sooner(watched.verdict.Descriptor() < 0 ? std::min(kTurnMilliseconds, watched.verdict.MillisecondsLeft())
                                                : watched.verdict.MillisecondsLeft());
      }
    }
    for (const OpenerVerdict& opener : running) {
      descriptors.push_back({opener.Descriptor(), POLLIN, 0});
      if (opener.Descriptor() < 0) sooner(kTurnMilliseconds);
    }
    if (poll(descriptors.data(), descriptors.size(), timeout) < 0 && errno != EINTR) {
      // No poll (more descriptors than the limit allows, no memory for it): every opener is looked
      // at after a turn instead, so that no verdict is lost and no opener left unreaped.
      const timespec turn{0, kTurnMilliseconds * 1'000'000L};
      nanosleep(&turn, nullptr);
    }
    char drained[64];
    while (read(wake_read_.get(), drained, sizeof drained) > 0) {
    }
    std::erase_if(running, [](OpenerVerdict& opener) { return opener.Reap(); });
    std::vector<Watched> ready;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      for (auto it = watched_.begin(); it != watched_.end();) {
        if (it->verdict.Ready()) {
          ready.push_back(std::move(*it));
          it = watched_.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (Watched& watched : ready) {
      const bool taken = watched.verdict.Read();
      watched.done(taken, taken ? std::string() : watched.verdict.Refusal());
      if (!watched.verdict.Reap()) running.push_back(std::move(watched.verdict));
    }
  }
}

}  // namespace tarvelin::posix
