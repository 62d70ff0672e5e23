#include "runtime/events.h"

#include "runtime/text.h"

namespace tarvelin {

std::int16_t KeyAscii(char32_t code_point) {
  constexpr std::int16_t kQuestionMark = 63;
  const std::optional<unsigned char> byte = Windows1252Byte(code_point);
  return byte ? std::int16_t{*byte} : kQuestionMark;
}

void EventRouter::Post(const InputEvent& event) {
  if (event.type == InputEvent::Type::PointerMove && !queue_.empty() &&
      queue_.back().type == InputEvent::Type::PointerMove) {
    queue_.back() = event;
    return;
  }
  queue_.push_back(event);
}

namespace {

bool IsButton(const InputEvent& event) {
  return event.type == InputEvent::Type::ButtonPress || event.type == InputEvent::Type::ButtonRelease;
}

}  // namespace

void EventRouter::DispatchPending(FormHandlers& handlers) {
  if (depth_ >= kMaxNesting) return;
  ++depth_;
  while (!queue_.empty() && !form_.unloaded && !(moving_ > 0 && IsButton(queue_.front()))) {
    const InputEvent event = queue_.front();
    queue_.pop_front();
    Dispatch(event, handlers);
    while (depth_ == 1 && moved_inside_handler_ && !form_.unloaded) {
      moved_inside_handler_ = false;
      DeliverMove(last_move_, handlers);
    }
    Show();
  }
  if (form_.unloaded) queue_.clear();
  --depth_;
}

void EventRouter::Show() {
  if (show_ && !form_.unloaded) show_();
}

void EventRouter::DeliverMove(const InputEvent& move, FormHandlers& handlers) {
  last_move_ = move;
  moved_inside_handler_ = depth_ > 1;
  const Form::Target target = form_.HitTest(move.x, move.y);
  ++moving_;
  if (target.kind == Form::Target::Kind::HotSpot) handlers.PointerOverHotSpot(target.index);
  else if (target.kind == Form::Target::Kind::BareWindow) handlers.PointerOverWindow();
  // The box has no movement handler.
  --moving_;
}

void EventRouter::Dispatch(const InputEvent& event, FormHandlers& handlers) {
  using Kind = Form::Target::Kind;
  switch (event.type) {
    case InputEvent::Type::PointerMove:
      if (!captured_) DeliverMove(event, handlers);
      break;
    case InputEvent::Type::ButtonPress:
      captured_ = true;
      pressed_box_.reset();
      // The second press of a double-click is a double-click, which the box does not handle.
      if (event.clicks % 2 == 1 && form_.HitTest(event.x, event.y).kind == Kind::Box)
        pressed_box_ = form_.box.Rect();
      break;
    case InputEvent::Type::ButtonRelease: {
      if (!captured_) break;
      captured_ = false;
      const bool click = pressed_box_ && form_.HitTest(event.x, event.y).kind == Kind::Box &&
                         form_.box.Rect() == *pressed_box_;
      pressed_box_.reset();
      // Where the pointer was released is where it is now. On the box, which has no movement
      // handler, this only marks the place for the handlers a pump interrupted.
      if (form_.FrameRect().Contains(event.x, event.y))
        DeliverMove({InputEvent::Type::PointerMove, event.x, event.y}, handlers);
      if (click) handlers.BoxClicked();
      break;
    }
    case InputEvent::Type::CaptureLost:
      captured_ = false;
      pressed_box_.reset();
      break;
    case InputEvent::Type::Character:
      handlers.KeyTyped(KeyAscii(event.code));
      break;
    case InputEvent::Type::StartFailed:
      handlers.StartFailed(event.command);
      break;
  }
}

}  // namespace tarvelin
