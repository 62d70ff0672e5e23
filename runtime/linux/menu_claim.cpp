#include "runtime/linux/menu_claim.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <system_error>

namespace tarvelin::posix {
namespace {

// Between a holder's bind and its listen, and while a holder ends, a connection is refused: the
// claim is tried again this many times, a few milliseconds apart.
constexpr int kAttempts = 50;
constexpr long kAttemptPauseNanoseconds = 5'000'000;

// The abstract name (a leading NUL byte, then the name, no file) and its length.
socklen_t AbstractAddress(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

bool SameUser(int connection) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

MenuClaim::MenuClaim(std::optional<std::pair<dev_t, ino_t>> folder) {
  if (!folder) {
    problem_ = "the program's folder is not known";
    return;
  }
  sockaddr_un address;
  const socklen_t length = AbstractAddress("tarvelin/menu/" + std::to_string(getuid()) + "/" +
                                               std::to_string(folder->first) + "/" + std::to_string(folder->second),
                                           address);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    UniqueFd socket_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket_fd) {
      problem_ = Reason("no socket to claim the menu's folder with");
      return;
    }
    if (bind(socket_fd.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      if (listen(socket_fd.get(), SOMAXCONN) != 0) {
        problem_ = Reason("the claim on the menu's folder cannot be listened on");
        return;
      }
      listener_ = std::move(socket_fd);
      return;
    }
    if (errno != EADDRINUSE) {
      problem_ = Reason("the menu's folder cannot be claimed");
      return;
    }
    // Held: the holder learns of this start from the connection itself.
    if (connect(socket_fd.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      if (SameUser(socket_fd.get())) {
        held_elsewhere_ = true;
        return;
      }
      problem_ = "another user's process holds the name of this folder's claim";
      return;
    }
    if (errno != ECONNREFUSED) {
      problem_ = Reason("the menu that holds this folder cannot be reached");
      return;
    }
    const timespec pause{0, kAttemptPauseNanoseconds};
    nanosleep(&pause, nullptr);
  }
  problem_ = "the menu that holds this folder does not answer";
}

bool MenuClaim::Answer(std::function<void()> come_forward, std::string& why) {
  if (!listener_ || thread_.joinable()) return true;
  come_forward_ = std::move(come_forward);
  stopping_ = false;
  try {
    thread_ = std::thread(&MenuClaim::Run, this);
  } catch (const std::system_error& error) {
    why = std::string("no thread to answer later starts with: ") + error.what();
    return false;
  }
  return true;
}

void MenuClaim::StopAnswering() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  // Wakes the accept the thread waits in; the socket keeps its name until it is closed.
  shutdown(listener_.get(), SHUT_RDWR);
  thread_.join();
  listener_.reset();
}

void MenuClaim::Run() {
  while (!stopping_) {
    const int connection = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
      if (stopping_ || (errno != EINTR && errno != ECONNABORTED && errno != EMFILE && errno != ENFILE &&
                        errno != ENOBUFS && errno != ENOMEM))
        return;
      // Out of descriptors or memory for now: the start waits in the queue until some are free.
      const timespec pause{0, kAttemptPauseNanoseconds};
      if (errno != EINTR && errno != ECONNABORTED) nanosleep(&pause, nullptr);
      continue;
    }
    const bool same_user = SameUser(connection);
    close(connection);
    if (same_user && !stopping_) come_forward_();
  }
}

}  // namespace tarvelin::posix
