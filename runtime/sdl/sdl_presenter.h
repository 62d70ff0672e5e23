#pragma once

// Puts a framebuffer of 0x00RRGGBB pixels on an SDL window, each pixel as a factor x factor square
// of window pixels (or shrunk, on a screen smaller than the picture), in one of two ways chosen by
// the video driver:
//  - the window surface (X11 and the rest): plain software blits of the changed rectangles, no
//    OpenGL context, which under Xvfb would cost most of the start-up time and memory;
//  - SDL's renderer (Wayland): SDL 2's Wayland driver has no software window surface of its own,
//    so the changed rectangles go into a streaming texture that is drawn whole and presented. The factor
//    there is the surface's buffer scale, taken from the window's size in pixels, so that a scaled
//    output gets the picture at its own pixels instead of stretched by the compositor; a window
//    the compositor sized otherwise shows the picture at that factor, unstretched.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/form.h"
#include "runtime/scaling.h"
#include "runtime/sdl/sdl_handles.h"

namespace tarvelin {

class SdlPresenter {
 public:
  // Where a window shows no picture: beyond the picture in a window a compositor made larger; also
  // the highlight box's own background, which never reaches the screen undrawn.
  static constexpr std::uint32_t kWindowColour = 0xFFFFFF;

  SdlPresenter() = default;
  ~SdlPresenter();
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;

  // True when windows on the current video driver are shown through a renderer: made with
  // SDL_WINDOW_ALLOW_HIGHDPI, sized in the desktop's points, drawn at its buffer scale.
  static bool UsesRenderer();

  // Draws into |window| from now on, at the scale |scale| on a window surface. False, with the
  // reason in |failure|, when the renderer it needs cannot be made.
  bool Attach(SDL_Window* window, ScreenScale scale, std::string& failure);
  // Lets go of the window before it is destroyed.
  void Detach();

  // Copies the changed rectangles of |frame| (|size| large, at picture pixels) to the window.
  void Present(std::span<const std::uint32_t> frame, PixelRect size, std::span<const PixelRect> changed);

 private:
  void PresentToSurface(std::span<const std::uint32_t> frame, PixelRect size, std::span<const PixelRect> changed);
  void PresentWithRenderer(std::span<const std::uint32_t> frame, PixelRect size, std::span<const PixelRect> changed);
  // The changed rectangles clipped to the frame, drawn into screen_ unless the picture shows pixel
  // for pixel.
  std::vector<PixelRect> Prepare(std::span<const std::uint32_t> frame, PixelRect size, std::span<const PixelRect> changed);
  // The pixels to copy from and their row length: the frame itself, or its scaled copy.
  const std::uint32_t* Source(std::span<const std::uint32_t> frame, PixelRect size, int& stride) const;

  SDL_Window* window_ = nullptr;
  SdlRenderer renderer_;
  // After the renderer, so that it goes first.
  SdlTexture texture_;
  ScreenScale scale_;
  // Unless the picture shows pixel for pixel: the frame at window size.
  std::vector<std::uint32_t> screen_;
};

}  // namespace tarvelin
