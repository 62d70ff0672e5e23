#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/form.h"
#include "runtime/text_input.h"

namespace tarvelin {

// Everything the menu asks of the platform. The controls are the shared form model, the same on
// every provider; the rest each provider implements. Failures come back as values.
class Services {
 public:
  explicit Services(Form& form) : form_(form) {}
  virtual ~Services() = default;
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

  // --- Controls: properties in pixels, except the window's outer size in window units.
  FormWindow& frmMain() { return form_.window; }
  // The hot spot with this index, or nothing for an index the control array lacks (0, 6, 7, 9, ...).
  HotSpot* imgHover(std::int16_t Index) { return form_.imgHover(Index); }
  HighlightBox& picDisplay() { return form_.picDisplay; }
  const ImageHolder& imgForeground() const { return form_.imgForeground; }

  // --- Screen
  // Window units per pixel, horizontally.
  virtual float TwipsPerPixelX() const = 0;
  // Window units per pixel, vertically.
  virtual float TwipsPerPixelY() const = 0;

  // --- Events
  // Runs the handlers of every queued window event and repaints, then returns.
  virtual void DoEvents() = 0;

  // --- Files and directories
  // The executable's directory, found from the operating system; ends with a separator only at a root.
  virtual std::string AppPath() const = 0;
  // The directory separator of the platform's paths ("\" on Windows, "/" on POSIX).
  virtual char PathSeparator() const = 0;
  // Opens a text file for sequential input; nothing when it is missing, not a regular file or unreadable.
  virtual std::optional<TextInput> OpenForInput(const std::string& path) = 0;
  // Makes the drive with this letter current; false when it cannot.
  [[nodiscard]] virtual bool ChDrive(char drive) = 0;
  // Makes the directory current; false when it cannot.
  [[nodiscard]] virtual bool ChDir(const std::string& path) = 0;

  // --- Programs and messages
  // Starts a command line in a normal window with the focus, without waiting; false when nothing started.
  [[nodiscard]] virtual bool Shell(const std::string& command_line) = 0;
  // Shows a modal message box with an OK button and no icon, and returns when it is dismissed.
  virtual void MsgBox(const std::string& prompt, const std::string& title) = 0;
  // Unloads frmMain, the only window: the program ends once the running handlers return.
  virtual void Unload() = 0;

 protected:
  Form& form_;
};

}  // namespace tarvelin
