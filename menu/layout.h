#pragma once

#include <array>
#include <cstdint>

#include "runtime/form.h"

namespace tarvelin {

// The hot spots of the menu picture: the five entries, one row every 39 pixels with a 17-pixel
// gap of bare window between rows, and the exit button. Each entry's Tag is its built-in command,
// in force until options.ini gives another.
inline constexpr std::array<HotSpotDesign, 6> kHotSpotLayout = {{
    {1, 60, 93, 380, 22, "guide\\guide.exe"},
    {2, 60, 132, 380, 22, "browser\\brsetup.exe"},
    {3, 60, 171, 380, 22, "websrv\\setup.exe"},
    {4, 60, 210, 380, 22, "devkit\\setup.exe"},
    {5, 60, 249, 380, 22, "server\\setup.exe"},
    {8, 386, 318, 82, 22, ""},
}};

inline constexpr std::int16_t kFirstEntry = 1;
inline constexpr std::int16_t kLastEntry = 5;
inline constexpr std::int16_t kExitButton = 8;
inline constexpr std::int16_t kEscape = 27;

// The application's own title, for its message box.
inline constexpr const char* kAppTitle = "Tarvelin";
inline constexpr const char* kOptionsFile = "options.ini";

}  // namespace tarvelin
