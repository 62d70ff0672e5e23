#pragma once

// The event router: raw pointer, button and key events from a provider in, calls of the window's
// handlers out, with a pump that a handler may run again (DoEvents) kept safe.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "runtime/form.h"

namespace tarvelin {

// The event handlers of the window, called by the runtime on its one thread.
class FormHandlers {
 public:
  virtual ~FormHandlers() = default;
  virtual void Load() = 0;                                   // once, before the window is first shown
  virtual void PointerOverWindow() = 0;                      // pointer moved over the bare window
  virtual void PointerOverHotSpot(std::int16_t index) = 0;   // pointer moved over a hot spot the box does not cover
  virtual void BoxClicked() = 0;                             // left press and release on the shown box
  virtual void KeyTyped(std::int16_t key_ascii) = 0;         // a character key, its KeyAscii: 27 for Escape
  // A command that Shell accepted turned out, later, not to have started (a desktop's opener
  // refused the document it names).
  virtual void StartFailed(const std::string& command) = 0;
};

// A raw input event from a provider, in client pixels. A release arrives wherever it happens, also
// outside the window; CaptureLost ends the press of the button held, as a standard button's ends:
// another window took the pointer or the keyboard, and the release no longer counts.
struct InputEvent {
  enum class Type { PointerMove, ButtonPress, ButtonRelease, CaptureLost, Character, StartFailed } type;
  int x = 0, y = 0;
  int clicks = 1;           // ButtonPress: 1 for a press, 2 for the second press of a double-click, ...
  char32_t code = 0;        // Character: the Unicode code point typed
  std::string command{};    // StartFailed: the command line as Shell was given it
};

// The KeyAscii that KeyTyped receives for a typed character: its code in Windows-1252, the code
// a program made for a Western Windows code page is given (27 for Escape, 13 for Enter); 63 ("?")
// for a character that code page lacks, as Windows gives such a program.
std::int16_t KeyAscii(char32_t code_point);

// Queues raw events and turns them into handler calls. The left button works like a Windows button:
//  - a press captures the pointer until its release: meanwhile movements run no handler, so the
//    highlight stays as it was at the press;
//  - the release is a click (BoxClicked) only when both the press and the release land on the
//    shown box, and the box has not moved in between;
//  - any other release inside the window counts as a movement to where it happened, so the
//    highlight then follows the pointer without waiting for it to move again.
// Handlers may pump events again from inside themselves; the router keeps that safe:
//  - pointer moves waiting at the end of the queue are merged, only the latest position counts;
//  - pumps nest at most kMaxNesting deep; deeper pumps leave the queue to the outer ones;
//  - a press or release (and everything queued after it) waits while a movement handler runs, and
//    is dispatched once that handler has finished, against the box as it left it: a tap that
//    brings the movement, the press and the release together lands on the entry it moved to, not
//    on the box the movement's handler had hidden for a moment;
//  - a handler interrupted by a pump goes on with its steps when the pump returns, even if a newer
//    movement was handled inside it; so when the outermost handler returns after such a movement,
//    the router delivers the pointer's latest position once more, and the highlight ends up where
//    the pointer is;
//  - after each event's handlers, what they drew is put on screen before the next event's run: the
//    highlight that a tap's movement shows is on screen before its click acts (a message box then
//    asks over the entry that was tapped, lit);
//  - nothing is dispatched once the window is unloaded.
class EventRouter {
 public:
  static constexpr int kMaxNesting = 8;

  // |show| brings the screen up to date with the form; none for a router whose form is not shown.
  explicit EventRouter(Form& form, std::function<void()> show = {}) : form_(form), show_(std::move(show)) {}

  void Post(const InputEvent& event);
  // Runs the handlers of every queued event, in order.
  void DispatchPending(FormHandlers& handlers);

  bool HasPending() const { return !queue_.empty(); }
  int Depth() const { return depth_; }

 private:
  void Dispatch(const InputEvent& event, FormHandlers& handlers);
  // Runs the movement handler of the control under the pointer, also while the pointer is
  // captured: a handler interrupted by a pump still has to end where the pointer was last handled.
  void DeliverMove(const InputEvent& move, FormHandlers& handlers);

  // Shows what the handlers drew, when the form is still loaded.
  void Show();

  Form& form_;
  std::function<void()> show_;
  std::deque<InputEvent> queue_;
  int depth_ = 0;
  // Between a press and its release.
  bool captured_ = false;
  // Movement handlers running; more than one when a pump inside one ran another.
  int moving_ = 0;
  // Where the box was when the press landed on it; nothing when the press was elsewhere.
  std::optional<PixelRect> pressed_box_;
  InputEvent last_move_{InputEvent::Type::PointerMove};
  bool moved_inside_handler_ = false;
};

}  // namespace tarvelin
