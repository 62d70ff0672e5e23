#pragma once

#include <span>
#include <string>
#include <vector>

#include "runtime/artwork.h"
#include "runtime/events.h"
#include "runtime/services.h"

namespace tarvelin {

// What every provider shares: the form model, the event router, the order of start-up and the
// pump, and the operating system it is given. A provider adds the native window, the framebuffer
// blit, the native event source and the message box.
class Provider : public Services {
 public:
  // The provider keeps the pictures for as long as it lives.
  Provider(Artwork art, std::span<const HotSpotDesign> design, std::uint32_t window_colour, System& system,
           WindowUnits units_per_pixel);

  // Runs the Load handler, then shows the window centred and paints it; false when it cannot be shown.
  bool Start(FormHandlers& handlers);
  // Starts, then delivers events until the window is unloaded. Returns the process exit status.
  int Run(FormHandlers& handlers);

  void DoEvents() final;
  void Unload() final;

  Form& form() { return form_model_; }
  EventRouter& router() { return router_; }

  // Why the window could not be shown, or events stopped arriving; empty while all is well. The
  // program tells the user as its system does.
  const std::string& Failure() const { return failure_; }

 protected:
  // Shows the window, centred, at the client size the Load handler gave; false when it cannot.
  virtual bool ShowWindow(PixelRect client) = 0;
  // Waits for at least one native event and posts it; false when the event source is gone.
  virtual bool WaitForEvents() = 0;
  // Posts every native event already waiting, without blocking.
  virtual void PostPendingEvents() = 0;
  // Copies the changed rectangles of the framebuffer to the screen.
  virtual void Present(std::span<const PixelRect> changed) = 0;
  // Takes the window away once it is unloaded.
  virtual void CloseWindow() = 0;

  PixelRect ClientRect() const { return form_model_.ClientRect(); }
  // Runs the handlers of the queued events, then shows what they changed.
  void DispatchAndPresent();
  // Puts what changed in the form since it was last shown on screen.
  void ShowChanges();
  // Records why the menu cannot go on, for Failure(); false, to return from the hook that failed.
  bool Fail(std::string why);

 private:
  Form form_model_;
  EventRouter router_;
  FormHandlers* handlers_ = nullptr;
  std::string failure_;
};

}  // namespace tarvelin
