// The thread that waits for openers' verdicts: it sleeps in poll() on the verdicts' pipes and on
// a pipe of its own, which wakes it when another verdict is to be watched or the watching stops.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/posix/posix_services.h"

namespace tarvelin::posix {

void VerdictWatcher::Watch(OpenerVerdict verdict, std::function<void(bool taken)> done) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return;
  if (!thread_.joinable()) {
    int wake[2];
    // Without its wake-up pipe the thread could not be stopped: then the verdict is read at once.
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
      done(verdict.Read());
      return;
    }
    wake_read_.reset(wake[0]);
    wake_write_.reset(wake[1]);
    thread_ = std::thread(&VerdictWatcher::Run, this);
  }
  watched_.push_back({std::move(verdict), std::move(done)});
  [[maybe_unused]] const ssize_t written = write(wake_write_.get(), "w", 1);
}

void VerdictWatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
    if (wake_write_) {
      [[maybe_unused]] const ssize_t written = write(wake_write_.get(), "s", 1);
    }
  }
  if (thread_.joinable()) thread_.join();
}

void VerdictWatcher::Run() {
  for (;;) {
    std::vector<pollfd> descriptors = {{wake_read_.get(), POLLIN, 0}};
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      for (const Watched& watched : watched_) descriptors.push_back({watched.verdict.Descriptor(), POLLIN, 0});
    }
    if (poll(descriptors.data(), descriptors.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    char drained[64];
    while (read(wake_read_.get(), drained, sizeof drained) > 0) {
    }
    // Only this thread removes entries, so the ones polled are still in place, in the same order.
    std::vector<Watched> ready;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      for (std::size_t i = descriptors.size() - 1; i >= 1; --i) {
        if (descriptors[i].revents == 0) continue;
        ready.push_back(std::move(watched_[i - 1]));
        watched_.erase(watched_.begin() + static_cast<std::ptrdiff_t>(i - 1));
      }
    }
    for (Watched& watched : ready) watched.done(watched.verdict.Read());
  }
}

}  // namespace tarvelin::posix
