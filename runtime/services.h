#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/form.h"
#include "runtime/system.h"
#include "runtime/text_input.h"

namespace tarvelin {

// Window units (twips) per pixel, horizontally and vertically: 15 at 96 dots per inch.
struct WindowUnits {
  float x = 15, y = 15;
};

// frmMain's properties: its title, and its outer size in window units, which the display scale
// turns into the window's pixels.
class FormProperties {
 public:
  FormProperties(FormWindow& window, WindowUnits twips_per_pixel)
      : Caption(window.Caption), window_(window), twips_per_pixel_(twips_per_pixel) {}

  float Width() const { return window_.Width * twips_per_pixel_.x; }
  float Height() const { return window_.Height * twips_per_pixel_.y; }
  void SetWidth(float twips) { window_.Width = Pixels(twips, twips_per_pixel_.x); }
  void SetHeight(float twips) { window_.Height = Pixels(twips, twips_per_pixel_.y); }

  std::string& Caption;

 private:
  static float Pixels(float twips, float twips_per_pixel) { return twips_per_pixel > 0 ? twips / twips_per_pixel : 0; }

  FormWindow& window_;
  WindowUnits twips_per_pixel_;
};

// Everything the menu asks of the platform. The controls are the shared form model, the same on
// every provider; files, directories and program start are the operating system's; the window's
// events and the message box each provider implements. Failures come back as values.
class Services {
 public:
  Services(Form& form, System& system, WindowUnits twips_per_pixel)
      : form_(form), system_(system), twips_per_pixel_(twips_per_pixel) {}
  virtual ~Services() = default;
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  // --- Controls: properties in pixels, except the window's outer size in window units.
  FormProperties frmMain() { return {form_.window, twips_per_pixel_}; }
  // The hot spot with this index, or nothing for an index the control array lacks (0, 6, 7, 9, ...).
  HotSpot* imgHover(std::int16_t Index) { return form_.FindHotSpot(Index); }
  HighlightBox& picDisplay() { return form_.box; }
  const ImageHolder& imgForeground() const { return form_.highlight; }

  // --- Screen: window units per pixel, fixed once the provider is made.
  float TwipsPerPixelX() const { return twips_per_pixel_.x; }
  float TwipsPerPixelY() const { return twips_per_pixel_.y; }

  // --- Events
  // Runs the handlers of every queued window event and repaints, then returns.
  virtual void DoEvents() = 0;

  // --- Files, directories and program start: the operating system's (runtime/system.h).
  std::string AppPath() const { return system_.AppPath(); }
  char PathSeparator() const { return system_.PathSeparator(); }
  std::optional<TextInput> OpenForInput(const std::string& path) { return system_.OpenForInput(path); }
  [[nodiscard]] bool ChDrive(char drive) { return system_.ChDrive(drive); }
  [[nodiscard]] bool ChDir(const std::string& path) { return system_.ChDir(path); }
  [[nodiscard]] bool Shell(const std::string& command_line) { return system_.Shell(command_line); }

  // --- Messages and the end
  // Shows a modal message box with an OK button and no icon, and returns when it is dismissed.
  virtual void MsgBox(const std::string& prompt, const std::string& title) = 0;
  // Unloads frmMain, the only window: the program ends once the running handlers return.
  virtual void Unload() = 0;

 protected:
  Form& form_;

 private:
  System& system_;
  WindowUnits twips_per_pixel_;
};

}  // namespace tarvelin
