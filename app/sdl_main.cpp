// The menu program for Linux and other desktops that SDL2 runs on. No command line is read; the
// path it was started by serves only when the system cannot tell where the program is.

#include <sys/prctl.h>

#include <cstdio>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/linux/files.h"
#include "runtime/linux/menu_claim.h"
#include "runtime/linux/posix_system.h"
#include "runtime/sdl/sdl_provider.h"

namespace {

// The author's pair beside the program when it fits, else the pictures built in.
tarvelin::Artwork ChooseArtwork(const std::string& directory) {
  std::string fault;
  std::optional<tarvelin::Artwork> beside =
      tarvelin::ArtworkInFolder(directory, '/', tarvelin::posix::ReadArtFile, tarvelin::kHotSpotLayout, fault);
  if (beside) return std::move(*beside);
  if (!fault.empty()) std::fprintf(stderr, "tarvelin: %s; showing the built-in pictures\n", fault.c_str());
  return tarvelin::BuiltInArtwork();
}

}  // namespace

int main(int, char** argv) {
  // Before anything opens a file: the display connection must never become a started program's output.
  tarvelin::posix::FillStandardStreams();
  tarvelin::posix::IgnoreBrokenPipes();
  // The program's name in the system's lists of processes, whatever its file is called (".tarvelin"
  // on a medium) and whatever started it (the dynamic loader, on a medium without execute bits).
  prctl(PR_SET_NAME, "tarvelin", 0, 0, 0);
  tarvelin::posix::ApplicationDirectory directory = tarvelin::posix::ApplicationDirectory::Find(argv[0]);
  if (!directory.Problem().empty()) std::fprintf(stderr, "tarvelin: %s\n", directory.Problem().c_str());
  tarvelin::posix::MenuClaim claim(directory.Identity());
  // The menu of this folder shows already: it was asked to come to the front.
  if (claim.HeldElsewhere()) return 0;
  if (!claim.Problem().empty())
    std::fprintf(stderr, "tarvelin: %s; a later start from this folder shows a menu of its own\n", claim.Problem().c_str());
  tarvelin::Artwork art = ChooseArtwork(directory.Path());
  tarvelin::posix::PosixSystem system(std::move(directory));
  tarvelin::SdlProvider provider(std::move(art), tarvelin::kHotSpotLayout, system);
  provider.AnswerLaterStarts(claim);
  tarvelin::frmMain menu(provider);
  const int status = provider.Run(menu);
  if (!provider.Failure().empty()) std::fprintf(stderr, "tarvelin: %s\n", provider.Failure().c_str());
  return status;
}
