#include "runtime/events.h"

namespace tarvelin {

void EventRouter::Post(const InputEvent& event) {
  if (event.type == InputEvent::Type::PointerMove && !queue_.empty() &&
      queue_.back().type == InputEvent::Type::PointerMove) {
    queue_.back() = event;
    return;
  }
  queue_.push_back(event);
}

void EventRouter::DispatchPending(FormHandlers& handlers) {
  if (depth_ >= kMaxNesting) return;
  ++depth_;
  while (!queue_.empty() && !form_.unloaded) {
    const InputEvent event = queue_.front();
    queue_.pop_front();
    Dispatch(event, handlers);
    while (depth_ == 1 && moved_inside_handler_ && !form_.unloaded) {
      moved_inside_handler_ = false;
      Dispatch(last_move_, handlers);
    }
  }
  if (form_.unloaded) queue_.clear();
  --depth_;
}

void EventRouter::Dispatch(const InputEvent& event, FormHandlers& handlers) {
  using Kind = Form::Target::Kind;
  switch (event.type) {
    case InputEvent::Type::PointerMove: {
      last_move_ = event;
      moved_inside_handler_ = depth_ > 1;
      const Form::Target target = form_.HitTest(event.x, event.y);
      if (target.kind == Kind::HotSpot) handlers.imgHover_MouseMove(target.index);
      else if (target.kind == Kind::BareWindow) handlers.Form_MouseMove();
      break;  // the box has no movement handler
    }
    case InputEvent::Type::ButtonPress:
      // The second press of a double-click is a double-click, which the box does not handle.
      press_on_box_ = event.clicks % 2 == 1 && form_.HitTest(event.x, event.y).kind == Kind::Box;
      break;
    case InputEvent::Type::ButtonRelease:
      if (press_on_box_ && form_.HitTest(event.x, event.y).kind == Kind::Box) {
        press_on_box_ = false;
        handlers.picDisplay_Click();
      }
      press_on_box_ = false;
      break;
    case InputEvent::Type::Character:
      handlers.Form_KeyPress(event.code);
      break;
    case InputEvent::Type::StartFailed:
      handlers.StartFailed(event.command);
      break;
  }
}

}  // namespace tarvelin
