#pragma once

// One menu per folder: started again from the same folder (a second double-click on the medium's
// program, the desktop's autorun and the user both), tarvelin.exe brings the menu already showing
// to the front and ends, instead of laying a second menu exactly over the first. Menus of other
// folders, other media, show side by side.

#include <windows.h>

#include <string>

namespace tarvelin {

class MenuClaim {
 public:
  // Claims the menu of |directory|, the program's folder (UTF-8), in this log-on session: a named
  // mutex, named by the folder's path with case folded, as the file system compares it.
  explicit MenuClaim(const std::string& directory);
  ~MenuClaim();
  MenuClaim(const MenuClaim&) = delete;
  MenuClaim& operator=(const MenuClaim&) = delete;

  // Whether another start from the same folder holds the claim: its menu shows, or is starting.
  bool HeldElsewhere() const { return held_elsewhere_; }
  // Asks the menu that holds the claim to come to the front, once its window is there (a few
  // seconds at most while it starts); it brings itself forward, as Windows lets only the process
  // the user just started take the foreground, and that process hands the right on.
  void BringHolderForward() const;

  // Marks |window| as the menu of the claimed folder, for later starts to find.
  void Mark(HWND window) const;
  void Unmark(HWND window) const;
  // The message a later start posts to the menu's window: come to the front.
  static UINT ComeForwardMessage();

 private:
  // The name of the folder's mutex and of the property that marks its menu's window.
  std::wstring name_;
  HANDLE mutex_ = nullptr;
  bool held_elsewhere_ = false;
};

}  // namespace tarvelin
