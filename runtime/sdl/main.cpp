// The menu program for Linux and other desktops that SDL2 runs on. No command line is read.

#include <cstdio>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/posix/posix_services.h"
#include "runtime/sdl/sdl_provider.h"

namespace {

// The author's pair beside the program when it fits, else the pictures built in.
tarvelin::Artwork ChooseArtwork() {
  std::string fault;
  std::optional<tarvelin::Artwork> beside = tarvelin::ArtworkInFolder(
      tarvelin::posix::ExecutableDirectory(), '/', tarvelin::posix::ReadArtFile, tarvelin::kHotSpotLayout, fault);
  if (beside) return std::move(*beside);
  if (!fault.empty()) std::fprintf(stderr, "tarvelin: %s; showing the built-in pictures\n", fault.c_str());
  return tarvelin::BuiltInArtwork();
}

}  // namespace

int main() {
  const tarvelin::Artwork art = ChooseArtwork();
  tarvelin::SdlProvider provider(art);
  tarvelin::frmMain menu(provider);
  const int status = provider.Run(menu);
  if (!provider.Failure().empty()) std::fprintf(stderr, "tarvelin: %s\n", provider.Failure().c_str());
  return status;
}
