#pragma once

// A provider without a display, for tests and benchmarks: events come from the caller, the screen
// is a framebuffer in memory, and message boxes are recorded instead of showing. It is its own
// operating system too, a machine the test scripts: files come from a map, and program starts are
// recorded instead of happening.

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/provider.h"

namespace tarvelin {

class MemoryProvider final : private System, public Provider {
 public:
  struct File {
    std::string bytes;
    bool readable = true;
    bool directory = false;
  };
  struct StartedProgram {
    std::string command;
    std::string directory;  // the current directory when it started
    char drive;             // the current drive when it started
  };
  struct Message {
    std::string prompt, title;
  };

  MemoryProvider(Artwork art, std::span<const HotSpotDesign> design, float units_per_pixel_x = 15,
                 float units_per_pixel_y = 15);

  // --- The machine the menu runs on; tests set these before starting.
  std::string app_path = "C:\\Disc";
  char separator = '\\';
  std::map<std::string, File> files;
  std::set<char> drives = {'C'};
  std::set<std::string> directories = {"C:\\Disc"};
  // Decides whether a command line starts; by default anything but an empty line does.
  std::function<bool(const std::string& command)> can_start = [](const std::string& c) { return !c.empty(); };
  // Events the user makes, one delivered each time the runtime waits for events.
  std::deque<InputEvent> script;
  // Called at every pump, before it collects waiting events: a place to post events mid-handler.
  std::function<void()> on_pump;
  // Called as each message shows, before it is dismissed: a place to look at the screen under it.
  std::function<void()> on_message;

  // --- What happened.
  char current_drive = 'C';
  std::string current_directory = "C:\\";
  std::vector<StartedProgram> started;
  std::vector<Message> messages;
  std::vector<std::string> opened;  // paths given to OpenForInput
  int pumps = 0;
  bool shown = false;
  PixelRect window;  // the shown window, centred on a 1024 × 768 screen

  // Posts an event and runs its handlers, as a native event arriving in the main loop would.
  void Send(const InputEvent& event);
  // The colour on screen at a client pixel.
  std::uint32_t ScreenPixel(int x, int y) const { return screen_[static_cast<std::size_t>(y) * window.w + x]; }

  void MsgBox(const std::string& prompt, const std::string& title) override;

 protected:
  bool ShowWindow(PixelRect client) override;
  bool WaitForEvents() override;
  void PostPendingEvents() override;
  void Present(std::span<const PixelRect> changed) override;
  void CloseWindow() override { shown = false; }

 private:
  // --- The machine, as the menu sees it through Services.
  std::string AppPath() const override { return app_path; }
  char PathSeparator() const override { return separator; }
  std::optional<TextInput> OpenForInput(const std::string& path) override;
  bool ChDrive(char drive) override;
  bool ChDir(const std::string& path) override;
  bool Shell(const std::string& command_line) override;

  std::vector<std::uint32_t> screen_;
};

}  // namespace tarvelin
