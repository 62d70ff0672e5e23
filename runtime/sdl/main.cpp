// The menu program for Linux and other desktops that SDL2 runs on. No command line is read.

#include <cstdio>

#include "menu/frmMain.h"
#include "runtime/sdl/sdl_provider.h"

int main() {
  const tarvelin::Artwork art = tarvelin::BuiltInArtwork();
  tarvelin::SdlProvider provider(art);
  tarvelin::frmMain menu(provider);
  const int status = provider.Run(menu);
  if (!provider.Failure().empty()) std::fprintf(stderr, "tarvelin: %s\n", provider.Failure().c_str());
  return status;
}
