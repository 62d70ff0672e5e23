#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "runtime/form.h"

namespace tarvelin {

// The event handlers of frmMain, called by the runtime on its one thread.
class FormHandlers {
 public:
  virtual ~FormHandlers() = default;
  virtual void Form_Load() = 0;                                // once, before the window is first shown
  virtual void Form_MouseMove() = 0;                           // pointer moved over the bare window
  virtual void imgHover_MouseMove(std::int16_t Index) = 0;     // pointer moved over a hot spot the box does not cover
  virtual void picDisplay_Click() = 0;                         // left press and release on the shown box
  virtual void Form_KeyPress(std::int16_t KeyAscii) = 0;       // a character key, 27 for Escape
  // A command that Shell accepted turned out, later, not to have started (a desktop's opener
  // refused the document it names).
  virtual void StartFailed(const std::string& command) = 0;
};

// A raw input event from a provider, in client pixels.
struct InputEvent {
  enum class Type { PointerMove, ButtonPress, ButtonRelease, Character, StartFailed } type;
  int x = 0, y = 0;
  int clicks = 1;           // ButtonPress: 1 for a press, 2 for the second press of a double-click, ...
  std::int16_t code = 0;    // Character
  std::string command{};    // StartFailed: the command line as Shell was given it
};

// Queues raw events and turns them into handler calls. Handlers may pump events again from inside
// themselves; the router keeps that safe:
//  - pointer moves waiting at the end of the queue are merged, only the latest position counts;
//  - pumps nest at most kMaxNesting deep; deeper pumps leave the queue to the outer ones;
//  - a handler interrupted by a pump goes on with its steps when the pump returns, even if a newer
//    movement was handled inside it; so when the outermost handler returns after such a movement,
//    the router delivers the pointer's latest position once more, and the highlight ends up where
//    the pointer is;
//  - nothing is dispatched once frmMain is unloaded.
class EventRouter {
 public:
  static constexpr int kMaxNesting = 8;

  explicit EventRouter(Form& form) : form_(form) {}

  void Post(const InputEvent& event);
  // Runs the handlers of every queued event, in order.
  void DispatchPending(FormHandlers& handlers);

  bool HasPending() const { return !queue_.empty(); }
  int Depth() const { return depth_; }

 private:
  void Dispatch(const InputEvent& event, FormHandlers& handlers);

  Form& form_;
  std::deque<InputEvent> queue_;
  int depth_ = 0;
  bool press_on_box_ = false;
  InputEvent last_move_{InputEvent::Type::PointerMove};
  bool moved_inside_handler_ = false;
};

}  // namespace tarvelin
