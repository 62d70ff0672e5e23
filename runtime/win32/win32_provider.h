#pragma once

// The Win32 provider: one WS_POPUP window drawn from the shared framebuffer, window messages in as
// raw input events, and the message box; files, directories and program start are the system's
// (win32_system.h). The files by concern:
//   window.cpp        window class, creation, centring, scaling for the monitor's DPI, painting,
//                     closing
//   events.cpp        the message pump and the window procedure
//   message_box.cpp   the message box, kept on the work area of the menu's monitor
// Decisions about hot spots, the highlight box and clicks stay in the shared runtime.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "runtime/provider.h"
#include "runtime/scaling.h"
#include "runtime/win32/input_messages.h"
#include "runtime/win32/menu_claim.h"
#include "runtime/win32/win32_system.h"

namespace tarvelin {

class Win32Provider final : public Provider {
 public:
  // |system| is the one the menu's files and programs come from; the menu's window owns what it
  // shows.
  Win32Provider(HINSTANCE instance, Artwork art, std::span<const HotSpotDesign> design, Win32System& system);
  ~Win32Provider() override;

  void MsgBox(const std::string& prompt, const std::string& title) override;

  // The window is marked as the menu of |claim|'s folder, and comes to the front when a later start
  // from that folder asks it to. The claim outlives the provider.
  void AnswerLaterStarts(const MenuClaim& claim) { claim_ = &claim; }

 protected:
  bool ShowWindow(PixelRect client) override;
  bool WaitForEvents() override;
  void PostPendingEvents() override;
  void Present(std::span<const PixelRect> changed) override;
  void CloseWindow() override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Shows every picture pixel as a factor x factor square for a monitor of |dpi| dots per inch,
  // the largest whole factor its scale allows at which the window fits the monitor's work area, or
  // shrinks the picture to fit a smaller one (ScreenScale::Fitting): unless pixel for pixel, a copy
  // of the frame at the scaled size. False when that copy cannot be made; the previous scale then
  // stays.
  bool ScaleFor(unsigned dpi, HMONITOR monitor);
  // Centres the window on its monitor's work area, as it opens, at the current scale.
  void PlaceOnItsMonitor();
  // After the screen's resolution or its work area changed (a lower resolution, a task bar moved):
  // scaled and placed again as at start, so that the whole menu stays on the screen.
  void HandleScreenChange();
  // Brings the menu, or the box it shows, to the front for a later start from its folder.
  void ComeForward();
  // The window's new place after the system moved it to a monitor of another DPI.
  void HandleDpiChange(unsigned dpi, const RECT& suggested);
  // Brings a rectangle of the form's frame (in picture pixels) up to date in the scaled copy, if
  // there is one.
  void ScaleIntoCopy(PixelRect picture_rect);
  // Copies the picture on screen (the frame, or its scaled copy) to |dc| within |area|, in screen
  // pixels.
  void Draw(HDC dc, const RECT& area);
  RECT ScreenArea(PixelRect picture_rect) const;
  void Paint();

  HINSTANCE instance_;
  Win32System& system_;
  HWND window_ = nullptr;
  PixelRect client_;  // in picture pixels, as the form model has it
  InputMessages input_messages_;
  const MenuClaim* claim_ = nullptr;
  ScreenScale scale_;
  struct FreeMemory {
    void operator()(std::uint32_t* memory) const { std::free(memory); }
  };
  using ScaledFrame = std::unique_ptr<std::uint32_t[], FreeMemory>;
  // The frame at the window's size, top row first; none pixel for pixel.
  ScaledFrame scaled_;
};

// The system's window background colour as 0x00RRGGBB.
std::uint32_t SystemWindowColour();

// The usable part of a monitor, the screen less the task bar and docked bars, in screen pixels.
PixelRect WorkArea(HMONITOR monitor);

}  // namespace tarvelin
