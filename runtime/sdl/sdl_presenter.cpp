#include "runtime/sdl/sdl_presenter.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace tarvelin {

SdlPresenter::~SdlPresenter() { Detach(); }

bool SdlPresenter::UsesRenderer() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::string_view(driver) == "wayland";
}

bool SdlPresenter::Attach(SDL_Window* window, ScreenScale scale, std::string& failure) {
  Detach();
  window_ = window;
  scale_ = scale;
  if (!UsesRenderer()) return true;
  // No vertical sync: a present then never waits for the compositor's next frame.
  renderer_.reset(SDL_CreateRenderer(window, -1, 0));
  if (!renderer_) {
    failure = std::string("cannot draw into the menu window: ") + SDL_GetError();
    window_ = nullptr;
    return false;
  }
  return true;
}

void SdlPresenter::Detach() {
  texture_.reset();
  renderer_.reset();
  window_ = nullptr;
}

void SdlPresenter::Present(std::span<const std::uint32_t> frame, PixelRect size, std::span<const PixelRect> changed) {
  if (!window_ || changed.empty() || size.Empty() || frame.size() < static_cast<std::size_t>(size.w) * size.h) return;
  if (renderer_) PresentWithRenderer(frame, size, changed);
  else PresentToSurface(frame, size, changed);
}

std::vector<PixelRect> SdlPresenter::Prepare(std::span<const std::uint32_t> frame, PixelRect size,
                                             std::span<const PixelRect> changed) {
  const bool scaled_copy = !scale_.Identity();
  if (scaled_copy) {
    const PixelRect screen = scale_.ToScreen(size);
    screen_.resize(static_cast<std::size_t>(screen.w) * screen.h);
  }
  std::vector<PixelRect> clipped;
  for (const PixelRect& r : changed) {
    const PixelRect picture = r.Intersect({0, 0, size.w, size.h});
    if (picture.Empty()) continue;
    if (scaled_copy) scale_.Blit(frame, size.w, picture, screen_.data(), scale_.ToScreen(size).w);
    clipped.push_back(scale_.ToScreen(picture));
  }
  return clipped;
}

const std::uint32_t* SdlPresenter::Source(std::span<const std::uint32_t> frame, PixelRect size, int& stride) const {
  stride = scale_.ToScreen(size).w;
  return scale_.Identity() ? frame.data() : screen_.data();
}

void SdlPresenter::PresentToSurface(std::span<const std::uint32_t> frame, PixelRect size,
                                    std::span<const PixelRect> changed) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || SDL_LockSurface(surface) != 0) return;  // the next exposure paints it all again
  const std::vector<PixelRect> screen_rects = Prepare(frame, size, changed);
  int stride = 0;
  const std::uint32_t* pixels = Source(frame, size, stride);
  const int bytes_per_pixel = surface->format->BytesPerPixel;
  std::vector<SDL_Rect> updated;
  for (const PixelRect& r : screen_rects) {
    // The part of it that the window surface holds.
    const int w = std::min(r.w, surface->w - r.x), h = std::min(r.h, surface->h - r.y);
    if (w <= 0 || h <= 0) continue;
    const std::uint32_t* source = pixels + static_cast<std::size_t>(r.y) * stride + r.x;
    auto* target = static_cast<std::uint8_t*>(surface->pixels) + r.y * surface->pitch + r.x * bytes_per_pixel;
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, source, stride * 4, surface->format->format, target,
                      surface->pitch);
    updated.push_back({r.x, r.y, w, h});
  }
  SDL_UnlockSurface(surface);
  if (!updated.empty()) SDL_UpdateWindowSurfaceRects(window_, updated.data(), static_cast<int>(updated.size()));
}

void SdlPresenter::PresentWithRenderer(std::span<const std::uint32_t> frame, PixelRect size,
                                       std::span<const PixelRect> changed) {
  // The buffer scale, in whole window pixels per point, may change while the menu shows (the
  // window moved to another output): the texture then follows, and everything is drawn again.
  int pixels_w = 0, points_w = 0;
  SDL_GetWindowSizeInPixels(window_, &pixels_w, nullptr);
  SDL_GetWindowSize(window_, &points_w, nullptr);
  const int factor = points_w > 0 ? std::max(1, pixels_w / points_w) : 1;
  const std::array<PixelRect, 1> everything = {PixelRect{0, 0, size.w, size.h}};
  const PixelRect screen = ScreenScale(factor).ToScreen(size);
  if (!texture_ || ScreenScale(factor) != scale_) {
    scale_ = ScreenScale(factor);
    texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, screen.w,
                                     screen.h));
    if (!texture_) return;
    changed = everything;
  }
  int stride = 0;
  const std::vector<PixelRect> screen_rects = Prepare(frame, size, changed);
  const std::uint32_t* pixels = Source(frame, size, stride);
  for (const PixelRect& r : screen_rects) {
    const SDL_Rect rect{r.x, r.y, r.w, r.h};
    SDL_UpdateTexture(texture_.get(), &rect, pixels + static_cast<std::size_t>(r.y) * stride + r.x, stride * 4);
  }
  // One texture pixel per buffer pixel, from the window's top-left corner, where the pointer's
  // points find the picture. A compositor that imposes another size on the window gets the window
  // colour beyond the picture, never the picture stretched away from where the pointer finds it.
  SDL_SetRenderDrawColor(renderer_.get(), (kWindowColour >> 16) & 0xFF, (kWindowColour >> 8) & 0xFF,
                         kWindowColour & 0xFF, SDL_ALPHA_OPAQUE);
  SDL_RenderClear(renderer_.get());
  const SDL_Rect picture{0, 0, screen.w, screen.h};
  SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &picture);
  SDL_RenderPresent(renderer_.get());
}

}  // namespace tarvelin
