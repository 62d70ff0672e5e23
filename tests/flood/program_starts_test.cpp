// A thousand clicks on an entry, each starting a real program through the POSIX services: every
// program runs, none is left a zombie of the menu, no descriptor leaks, and the menu still answers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/memory/memory_provider.h"
#include "runtime/linux/posix_system.h"

namespace tarvelin {
namespace {

constexpr int kStarts = 1000;

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

// Processes whose parent is this one: all of them, and those that ended and were not reaped.
struct Children {
  int all = 0, zombies = 0;
};
Children ChildrenOfThisProcess() {
  Children children;
  const std::string self = std::to_string(getpid());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t name_end = line.rfind(')');
    if (name_end == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(line.c_str() + name_end + 2, "%c %d", &state, &parent) != 2) continue;
    if (std::to_string(parent) != self) continue;
    ++children.all;
    if (state == 'Z') ++children.zombies;
  }
  return children;
}

std::size_t LinesIn(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

template <typename Condition>
bool WaitFor(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(ProgramStartFlood, ThousandStartsLeaveNoZombiesNoDescriptorsAndTheMenuAnswers) {
  const std::filesystem::path log =
      std::filesystem::temp_directory_path() / ("tarvelin-starts-" + std::to_string(getpid()) + ".log");
  std::filesystem::remove(log);

  const Artwork art = BuiltInArtwork();
  MemoryProvider rt(art, kHotSpotLayout);
  // Entry 1 runs a program that leaves a line in the log, so every start that happened is seen.
  rt.files["C:\\Disc\\options.ini"] = {"Flood\r\n/bin/sh -c \"echo started >> " + log.string() + "\"\r\n"};
  rt.can_start = [](const std::string& command) { return posix::StartProgram(command).result.Started(); };
  frmMain menu(rt);
  ASSERT_TRUE(rt.Start(menu));
  ASSERT_EQ(rt.imgHover(1)->Tag, "/bin/sh -c \"echo started >> " + log.string() + "\"");

  const int descriptors_before = OpenDescriptors();
  rt.Send({InputEvent::Type::PointerMove, 250, 104});  // onto entry 1
  ASSERT_EQ(menu.intActiveItem(), 1);
  for (int start = 0; start < kStarts; ++start) {
    rt.Send({InputEvent::Type::ButtonPress, 250, 104});
    rt.Send({InputEvent::Type::ButtonRelease, 250, 104});
  }

  EXPECT_EQ(rt.started.size(), static_cast<std::size_t>(kStarts));
  EXPECT_TRUE(rt.messages.empty()) << rt.messages.front().prompt;
  EXPECT_TRUE(WaitFor([&] { return LinesIn(log) == kStarts; })) << LinesIn(log) << " of the programs ran";
  EXPECT_EQ(ChildrenOfThisProcess().zombies, 0);
  EXPECT_TRUE(WaitFor([] { return ChildrenOfThisProcess().all == 0; })) << "programs are still children of the menu";
  EXPECT_EQ(OpenDescriptors(), descriptors_before);

  // The menu still answers: entry 4 lights up from the highlight picture, Escape closes it.
  rt.Send({InputEvent::Type::PointerMove, 250, 221});
  EXPECT_EQ(menu.intActiveItem(), 4);
  EXPECT_EQ(rt.ScreenPixel(250, 221), art.highlight.Colour(250, 221));
  EXPECT_NE(rt.ScreenPixel(250, 104), art.highlight.Colour(250, 104));
  rt.Send({InputEvent::Type::Character, 0, 0, 1, kEscape});
  EXPECT_FALSE(rt.shown);
  std::filesystem::remove(log);
}

}  // namespace
}  // namespace tarvelin
