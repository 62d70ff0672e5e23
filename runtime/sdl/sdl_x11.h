#pragma once

namespace tarvelin {

// Keeps a harmless X error that SDL 2.26 causes when the menu closes from ending the process
// with exit status 1 (see sdl_x11.cpp). Call it before SDL_Init.
void IgnoreWakeupsToDestroyedWindows();

}  // namespace tarvelin
