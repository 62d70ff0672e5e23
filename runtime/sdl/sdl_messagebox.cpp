#include <SDL.h>
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/sdl/sdl_provider.h"
#include "runtime/text.h"

namespace tarvelin {
namespace {

// SDL's X11 message box draws its text in the locale the environment names; under one that is not
// UTF-8 (C or POSIX, as in a bare session) it cuts the text at the first character beyond ASCII,
// and a command from options.ini may well have one. For as long as the box shows, such an
// environment names C.UTF-8 instead; programs started later see the environment as it was.
class Utf8LocaleForMessageBox {
 public:
  Utf8LocaleForMessageBox() {
    if (EnvironmentLocaleIsUtf8()) return;
    if (const char* all = std::getenv("LC_ALL")) saved_ = all;
    setenv("LC_ALL", "C.UTF-8", 1);
    changed_ = true;
  }
  ~Utf8LocaleForMessageBox() {
    if (!changed_) return;
    if (saved_) setenv("LC_ALL", saved_->c_str(), 1);
    else unsetenv("LC_ALL");
  }
  Utf8LocaleForMessageBox(const Utf8LocaleForMessageBox&) = delete;
  Utf8LocaleForMessageBox& operator=(const Utf8LocaleForMessageBox&) = delete;

 private:
  static bool EnvironmentLocaleIsUtf8() {
    const std::string current = std::setlocale(LC_CTYPE, nullptr);
    const bool utf8 = std::setlocale(LC_CTYPE, "") && std::string_view(nl_langinfo(CODESET)) == "UTF-8";
    std::setlocale(LC_CTYPE, current.c_str());
    return utf8;
  }

  bool changed_ = false;
  std::optional<std::string> saved_;
};

}  // namespace

void SdlProvider::MsgBox(const std::string& prompt, const std::string& title) {
  // SDL2 names only an error, a warning and an information icon; no flag at all asks for none,
  // and the X11 and Windows back ends then draw none.
  constexpr Uint32 kNoIcon = 0;
  const std::string text = WithVisibleNul(prompt);
  int shown;
  {
    const Utf8LocaleForMessageBox utf8_text;
    shown = SDL_ShowSimpleMessageBox(kNoIcon, title.c_str(), text.c_str(), window_);
  }
  if (shown != 0) {
    // Under X the box needs the core X fonts; without them the message still reaches someone.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fprintf(stderr, "(the message box could not be shown: %s)\n", SDL_GetError());
  }
  DiscardInputDuringMessageBox();
  PostPointerPosition();
}

// The box is modal: the menu takes no clicks or keys while it shows. SDL runs the box on a
// connection of its own, so input meant for the menu meanwhile waits in the menu's queue;
// it is dropped here, as Windows drops input to a window that a modal box has disabled.
// Window events stay: they carry the pointer's entering and leaving, and repaints.
void SdlProvider::DiscardInputDuringMessageBox() {
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
}

}  // namespace tarvelin
