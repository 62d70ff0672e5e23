#include "runtime/provider.h"

#include <utility>

namespace tarvelin {

Provider::Provider(Artwork art, std::span<const HotSpotDesign> design, std::uint32_t window_colour,
                   System& system, WindowUnits units_per_pixel)
    : Services(form_model_, system, units_per_pixel),
      form_model_(std::move(art.background), std::move(art.highlight), design, window_colour),
      router_(form_model_, [this] { ShowChanges(); }) {}

bool Provider::Start(FormHandlers& handlers) {
  handlers_ = &handlers;
  handlers.Load();
  if (!ShowWindow(ClientRect())) return false;
  Present(form_model_.Compose(ClientRect()));
  return true;
}

int Provider::Run(FormHandlers& handlers) {
  if (!Start(handlers)) return 1;
  while (!form_model_.unloaded && WaitForEvents()) DispatchAndPresent();
  handlers_ = nullptr;
  return form_model_.unloaded ? 0 : 1;
}

void Provider::DoEvents() {
  if (!handlers_) return;
  PostPendingEvents();
  DispatchAndPresent();
}

void Provider::DispatchAndPresent() {
  if (!handlers_) return;
  router_.DispatchPending(*handlers_);
  ShowChanges();
}

void Provider::ShowChanges() {
  if (!form_model_.unloaded) Present(form_model_.Compose(ClientRect()));
}

bool Provider::Fail(std::string why) {
  failure_ = std::move(why);
  return false;
}

void Provider::Unload() {
  if (form_model_.unloaded) return;
  form_model_.unloaded = true;
  CloseWindow();
}

}  // namespace tarvelin
