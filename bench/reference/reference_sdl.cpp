// The least SDL2 program that does the menu's visible job, as the limit the menu is measured
// against: a borderless 480 x 360 window in the middle of the screen showing the background
// picture, and on every pointer movement the piece of the highlight picture at entry 1 copied into
// it. Same hints as the menu: video only, no accelerated framebuffer, and the menu's
// other hints, so that both programs ask SDL for the same work.

#include <SDL.h>

#include <cstdint>
#include <span>

#include "hot_spots.h"

namespace tarvelin {
std::span<const std::uint8_t> ReferenceBackgroundBitmap();
std::span<const std::uint8_t> ReferenceHighlightBitmap();
}  // namespace tarvelin

namespace {

constexpr SDL_Rect kEntry1{TARVELIN_HOT_SPOT_1_LEFT, TARVELIN_HOT_SPOT_1_TOP, TARVELIN_HOT_SPOT_1_WIDTH,
                           TARVELIN_HOT_SPOT_1_HEIGHT};

SDL_Surface* LoadEmbedded(std::span<const std::uint8_t> bytes, const SDL_PixelFormat* format) {
  SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
  if (!loaded) return nullptr;
  SDL_Surface* converted = SDL_ConvertSurface(loaded, format, 0);
  SDL_FreeSurface(loaded);
  return converted;
}

}  // namespace

int main(int, char**) {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "2");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("reference", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 480, 360,
                                        SDL_WINDOW_BORDERLESS);
  SDL_Surface* screen = window ? SDL_GetWindowSurface(window) : nullptr;
  if (!screen) return 1;
  SDL_Surface* background = LoadEmbedded(tarvelin::ReferenceBackgroundBitmap(), screen->format);
  SDL_Surface* highlight = LoadEmbedded(tarvelin::ReferenceHighlightBitmap(), screen->format);
  if (!background || !highlight) return 1;

  SDL_BlitSurface(background, nullptr, screen, nullptr);
  SDL_UpdateWindowSurface(window);

  SDL_Event event;
  while (SDL_WaitEvent(&event)) {
    if (event.type == SDL_QUIT) break;
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) break;
    if (event.type == SDL_MOUSEMOTION) {
      SDL_Rect piece = kEntry1;
      SDL_BlitSurface(highlight, &piece, screen, &piece);
      SDL_UpdateWindowSurfaceRects(window, &kEntry1, 1);
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
      SDL_UpdateWindowSurface(window);
  }
  SDL_Quit();
  return 0;
}
