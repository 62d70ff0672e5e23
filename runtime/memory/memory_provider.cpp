#include "runtime/memory/memory_provider.h"

#include <algorithm>
#include <cctype>

#include "runtime/text.h"

namespace tarvelin {

namespace {
constexpr std::uint32_t kWindowColour = 0xFFFFFF;
constexpr int kScreenWidth = 1024, kScreenHeight = 768;
}  // namespace

MemoryProvider::MemoryProvider(Artwork art, std::span<const HotSpotDesign> design, float units_per_pixel_x,
                               float units_per_pixel_y)
    : Provider(std::move(art), design, kWindowColour, *this, {units_per_pixel_x, units_per_pixel_y}) {}

void MemoryProvider::Send(const InputEvent& event) {
  router().Post(event);
  DispatchAndPresent();
}

std::optional<TextInput> MemoryProvider::OpenForInput(const std::string& path) {
  opened.push_back(path);
  const auto it = files.find(path);
  if (it == files.end() || !it->second.readable || it->second.directory) return std::nullopt;
  return TextFileInput(it->second.bytes, true, Windows1252ToUtf8);
}

bool MemoryProvider::ChDrive(char drive) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  if (!drives.contains(letter)) return false;
  current_drive = letter;
  return true;
}

bool MemoryProvider::ChDir(const std::string& path) {
  if (!directories.contains(path)) return false;
  current_directory = path;
  return true;
}

bool MemoryProvider::Shell(const std::string& command_line) {
  if (!can_start(command_line)) return false;
  started.push_back({command_line, current_directory, current_drive});
  return true;
}

void MemoryProvider::MsgBox(const std::string& prompt, const std::string& title) {
  messages.push_back({prompt, title});
  if (on_message) on_message();
}

bool MemoryProvider::ShowWindow(PixelRect client) {
  window = {(kScreenWidth - client.w) / 2, (kScreenHeight - client.h) / 2, client.w, client.h};
  screen_.assign(static_cast<std::size_t>(client.w) * client.h, 0);
  shown = true;
  return true;
}

bool MemoryProvider::WaitForEvents() {
  if (script.empty()) return false;
  router().Post(script.front());
  script.pop_front();
  return true;
}

void MemoryProvider::PostPendingEvents() {
  ++pumps;
  if (on_pump) on_pump();
}

void MemoryProvider::Present(std::span<const PixelRect> changed) {
  const std::vector<std::uint32_t>& frame = form().Frame();
  const int width = form().FrameRect().w;
  for (const PixelRect& r : changed) {
    const PixelRect shown = r.Intersect({0, 0, window.w, window.h});
    for (int y = shown.y; y < shown.y + shown.h; ++y) {
      const auto* from = &frame[static_cast<std::size_t>(y) * width + shown.x];
      std::copy(from, from + shown.w, &screen_[static_cast<std::size_t>(y) * window.w + shown.x]);
    }
  }
}

}  // namespace tarvelin
