#pragma once

// The SDL2 provider, for Linux and other desktops SDL2 runs on.
//  - window: borderless, the client size the Load handler gives, centred on the first display's usable
//    area with its top-left corner always on it, the title
//    as UTF-8, the built-in icon; created hidden and shown once it is complete (window.cpp);
//  - scaling: on a desktop that scales, the window is the client size times the largest whole
//    factor of the desktop's scale that fits the display; the menu keeps its own pixels
//    (window.cpp, the X resource read in sdl_x11.cpp); on a display smaller than the menu, the
//    window shrinks to fit it, as on Windows (runtime/scaling.h);
//  - painting: the changed rectangles of the shared framebuffer, each pixel as a factor x factor
//    square, onto the window surface, or on Wayland through SDL's renderer at the output's buffer
//    scale; everything again when the window system asks (sdl_presenter.cpp);
//  - events: SDL_WaitEvent, so an idle menu sleeps; native events become the runtime's raw input
//    events, pointer positions in the menu's pixels, nothing more (events.cpp);
//  - message box: a window of the menu's own, modal, centred over the menu and kept on the
//    display's usable area, its text drawn from a
//    built-in font; standard error when it cannot show (message_box.cpp, message_box_picture.cpp);
//  - files, directories and program start: the POSIX system the program gives it
//    (runtime/linux/posix_system.h); what it posts from its own thread (an opener's late
//    refusal) arrives as an SDL event of the provider's own, which carries the runtime's event
//    (window.cpp, events.cpp);
//  - one menu per folder: a later start from the same folder asks the menu to come to the front
//    (runtime/linux/menu_claim.h), which arrives as an SDL event of the provider's own (window.cpp);
//  - a repair for SDL 2 on X11, so that closing the menu ends with exit status 0 (sdl_x11.cpp);
//  - on Wayland, the fixed size of each window and the box's link to the menu, sent before the
//    window's first picture, where SDL 2 can make the link only after showing it (sdl_wayland.cpp).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "runtime/linux/menu_claim.h"
#include "runtime/linux/posix_system.h"
#include "runtime/provider.h"
#include "runtime/scaling.h"
#include "runtime/sdl/sdl_handles.h"
#include "runtime/sdl/sdl_presenter.h"

union SDL_Event;

namespace tarvelin {

class SdlProvider final : public Provider {
 public:
  // |system| is the one the menu's files and programs come from; what it posts (an opener's late
  // refusal of a command) comes back through the provider's events.
  SdlProvider(Artwork art, std::span<const HotSpotDesign> design, posix::PosixSystem& system);
  ~SdlProvider() override;

  void MsgBox(const std::string& prompt, const std::string& title) override;

  // The menu comes to the front each time a later start from its folder asks |claim|, until the
  // window closes. The claim outlives the provider.
  void AnswerLaterStarts(posix::MenuClaim& claim);

 protected:
  bool ShowWindow(PixelRect client) override;
  bool WaitForEvents() override;
  void PostPendingEvents() override;
  void Present(std::span<const PixelRect> changed) override;
  void CloseWindow() override;

 private:
  // The part of the display |window| is on that no panel covers; nothing when SDL cannot tell.
  static std::optional<PixelRect> UsableArea(SDL_Window* window);
  void Translate(const SDL_Event& event);
  void TranslateWindowEvent(const SDL_Event& event);
  void PostText(const char* utf8);
  void ReleaseMissedButton();
  // Posts where the pointer is now as a movement, when it is over the window: after a modal box,
  // whose own window took every movement, the highlight then follows the pointer.
  void PostPointerPosition();
  void PresentAll();
  // Brings the menu to the front for a later start from its folder, and with it the box it shows.
  void ComeForward();
  // Where a message box of |size| goes, in window system pixels.
  PixelRect BoxPlace(PixelRect size) const;
  // Shows the box and returns once it is dismissed or the menu is closed; false when it cannot show.
  bool ShowMessageBox(const std::string& prompt, const std::string& title);
  void DiscardInputDuringMessageBox();
  // Puts a runtime event in SDL's queue; called from any thread.
  void PostFromAnyThread(InputEvent event) const;
  // Hands the runtime event an event of PostFromAnyThread carries to the router.
  void TranslatePosted(const SDL_Event& event);

  bool video_ = false;
  SdlWindow window_;
  // Window pixels per picture pixel, fixed once the window is shown: the unit of window sizes and
  // pointer positions. 1 on a window sized in points, whose buffer scale the presenter follows.
  ScreenScale scale_;
  SdlPresenter presenter_;
  // Between SDL_WINDOWEVENT_ENTER and _LEAVE: only then is a reported movement a real one.
  bool pointer_inside_ = false;
  // From losing the keyboard mid-press until SDL has seen the button go up.
  bool release_missed_ = false;
  posix::PosixSystem& system_;
  // The SDL event type that carries a runtime event posted from another thread; 0 for none.
  std::uint32_t posted_event_ = 0;
  // The SDL event type by which a later start asks the menu to come to the front; 0 for none.
  std::uint32_t come_forward_event_ = 0;
  posix::MenuClaim* claim_ = nullptr;
};

}  // namespace tarvelin
