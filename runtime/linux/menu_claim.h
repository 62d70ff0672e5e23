#pragma once

// One menu per folder: started again from the same folder (a double-click on autorun.sh while the
// desktop's autorun prompt opened the menu already, two double-clicks), the program brings the menu
// that shows to the front and ends, instead of laying a second menu exactly over the first. Menus
// of other folders, other media, show side by side.
//
// The claim is an abstract unix socket named by the user and the folder's device and inode, which
// name it whichever path leads to it: nothing is written anywhere (a medium may be read-only), and
// the name goes away with the process that held it, however it ended.

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "runtime/linux/unique_fd.h"

namespace tarvelin::posix {

class MenuClaim {
 public:
  // Claims the menu of the folder that |folder|'s device and inode name, for this user. When another
  // process of the user holds it, asks that one to come to the front (HeldElsewhere). Without a
  // folder, with a name that another user took, or on a system without such sockets, the menu is
  // unclaimed (Problem says why) and shows all the same.
  explicit MenuClaim(std::optional<std::pair<dev_t, ino_t>> folder);
  ~MenuClaim() { StopAnswering(); }
  MenuClaim(const MenuClaim&) = delete;
  MenuClaim& operator=(const MenuClaim&) = delete;

  // Another process holds the claim and was asked to come to the front.
  bool HeldElsewhere() const { return held_elsewhere_; }
  // Why the menu shows unclaimed; empty when it holds the claim or another process does.
  const std::string& Problem() const { return problem_; }

  // Calls |come_forward| on a thread of its own each time a later start from the folder asks, until
  // StopAnswering. False, and |why| says why, when the system gives no thread; nothing to answer
  // without a claim.
  bool Answer(std::function<void()> come_forward, std::string& why);
  // Returns once |come_forward| is called no more; later starts then find no one to ask.
  void StopAnswering();

 private:
  void Run();

  UniqueFd listener_;
  bool held_elsewhere_ = false;
  std::string problem_;
  std::function<void()> come_forward_;
  std::atomic<bool> stopping_ = false;
  std::thread thread_;
};

}  // namespace tarvelin::posix
