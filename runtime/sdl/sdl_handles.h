#pragma once

// Owning handles for what SDL makes: each object is destroyed by SDL's own function for it when its
// handle lets go, on every way out of the code that made it.

#include <SDL_render.h>
#include <SDL_surface.h>
#include <SDL_video.h>

#include <memory>

namespace tarvelin {

template <auto Destroy>
struct SdlDestroyer {
  template <typename Object>
  void operator()(Object* object) const {
    Destroy(object);
  }
};

using SdlWindow = std::unique_ptr<SDL_Window, SdlDestroyer<SDL_DestroyWindow>>;
using SdlRenderer = std::unique_ptr<SDL_Renderer, SdlDestroyer<SDL_DestroyRenderer>>;
using SdlTexture = std::unique_ptr<SDL_Texture, SdlDestroyer<SDL_DestroyTexture>>;
using SdlSurface = std::unique_ptr<SDL_Surface, SdlDestroyer<SDL_FreeSurface>>;

}  // namespace tarvelin
