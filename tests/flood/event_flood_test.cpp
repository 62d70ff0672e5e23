// A million random events through the menu, with more events arriving while its handlers pump:
// the highlight stays consistent after every handler the main loop runs, pumps nest no deeper
// than the router allows, and the heap does not grow.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/memory/memory_provider.h"
#include "tests/support/random_input.h"

// Every allocation of this test program is counted, so that the heap's size can be compared
// between two points of the flood.
namespace {
std::atomic<long long> live_heap_bytes{0};
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  live_heap_bytes += static_cast<long long>(malloc_usable_size(p));
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
  if (!p) return;
  live_heap_bytes -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace tarvelin {
namespace {

using testing::RandomInput;

constexpr int kEvents = 1'000'000;

// Passes every handler call on to the menu and checks the highlight each time a handler that the
// main loop called (not one run by a pump inside another handler) returns.
class CheckingHandlers final : public FormHandlers {
 public:
  CheckingHandlers(MemoryProvider& rt, frmMain& menu) : rt_(rt), menu_(menu) {}

  void Load() override { Run([&] { menu_.Form_Load(); }); }
  void PointerOverWindow() override { Run([&] { menu_.Form_MouseMove(); }); }
  void PointerOverHotSpot(std::int16_t index) override { Run([&] { menu_.imgHover_MouseMove(index); }); }
  void BoxClicked() override { Run([&] { menu_.picDisplay_Click(); }); }
  void KeyTyped(std::int16_t key) override { Run([&] { menu_.Form_KeyPress(key); }); }
  void StartFailed(const std::string& command) override { Run([&] { menu_.StartFailed(command); }); }

  int deepest_handler = 0;
  int outermost_handlers = 0;
  std::string first_fault;

 private:
  template <typename Call>
  void Run(Call call) {
    ++depth_;
    deepest_handler = std::max(deepest_handler, depth_);
    call();
    if (--depth_ == 0) {
      ++outermost_handlers;
      if (first_fault.empty()) first_fault = HighlightFault();
    }
  }

  // What is wrong with the highlight, or nothing: the box shows exactly when an item is active,
  // over that item's hot spot, holding that hot spot's piece of the highlight picture.
  std::string HighlightFault() const {
    const HighlightBox& box = rt_.picDisplay();
    const std::int16_t active = menu_.intActiveItem();
    if (rt_.form().unloaded) return {};
    if (box.Visible() != (active != 0))
      return "box visible=" + std::to_string(box.Visible()) + " with intActiveItem=" + std::to_string(active);
    if (active == 0) return {};
    const HotSpot* spot = rt_.imgHover(active);
    if (!spot) return "intActiveItem names no hot spot: " + std::to_string(active);
    const PixelRect expected{ToPixel(spot->Left), ToPixel(spot->Top), ToPixel(spot->Width), ToPixel(spot->Height)};
    if (box.Rect() != expected) return "box is not over hot spot " + std::to_string(active);
    const Picture& highlight = rt_.imgForeground().Picture();
    for (const auto& [x, y] : {std::pair{0, 0}, {box.Rect().w - 1, box.Rect().h - 1}, {box.Rect().w / 2, 7}})
      if (box.Pixel(x, y) != highlight.Colour(box.Rect().x + x, box.Rect().y + y))
        return "box does not hold the highlight of hot spot " + std::to_string(active);
    return {};
  }

  MemoryProvider& rt_;
  frmMain& menu_;
  int depth_ = 0;
};

// One run of the menu, from start to Escape or the exit button.
struct Session {
  explicit Session(const Artwork& art, RandomInput& input) : rt(art, kHotSpotLayout), menu(rt), checking(rt, menu) {
    // Some programs cannot be started, so that the message box turns up in the flood too.
    rt.can_start = [&input](const std::string&) { return input.Below(10) != 0; };
    // Events keep arriving while handlers pump, so pumps run handlers that pump again.
    rt.on_pump = [this, &input] {
      deepest_pump = std::max(deepest_pump, rt.router().Depth());
      for (int n = input.Below(4); n > 0; --n) rt.router().Post(input.Next(rt.picDisplay()));
    };
    started = rt.Start(checking);
  }
  // The provider's records of what happened, which grow with every click.
  void ForgetRecords() {
    rt.started.clear();
    rt.messages.clear();
    rt.opened.clear();
  }

  MemoryProvider rt;
  frmMain menu;
  CheckingHandlers checking;
  int deepest_pump = 0;
  bool started = false;
};

TEST(EventFlood, HighlightStaysConsistentNestingBoundedAndHeapFlat) {
  const Artwork art = BuiltInArtwork();
  RandomInput input(20240607);
  auto session = std::make_unique<Session>(art, input);
  ASSERT_TRUE(session->started);

  int sessions = 1, deepest_pump = 0, deepest_handler = 0;
  long long outermost_handlers = 0;
  long long heap_after_warm_up = 0;
  constexpr int kWarmUp = kEvents / 10;

  for (int event = 0; event < kEvents; ++event) {
    session->rt.Send(input.Next(session->rt.picDisplay()));
    if (!session->checking.first_fault.empty())
      FAIL() << "after event " << event << ": " << session->checking.first_fault;
    ASSERT_FALSE(session->rt.router().HasPending()) << "events left behind after event " << event;

    if (session->rt.form().unloaded) {  // Escape or the exit button: the window is gone, start again
      ASSERT_FALSE(session->rt.shown) << "the window stayed after frmMain was unloaded, event " << event;
      deepest_pump = std::max(deepest_pump, session->deepest_pump);
      deepest_handler = std::max(deepest_handler, session->checking.deepest_handler);
      outermost_handlers += session->checking.outermost_handlers;
      session.reset();
      session = std::make_unique<Session>(art, input);
      ASSERT_TRUE(session->started);
      ++sessions;
    }
    if (event % 1000 == 999) session->ForgetRecords();
    if (event + 1 == kWarmUp) heap_after_warm_up = live_heap_bytes;
  }
  session->ForgetRecords();
  const long long heap_at_end = live_heap_bytes;
  deepest_pump = std::max(deepest_pump, session->deepest_pump);
  deepest_handler = std::max(deepest_handler, session->checking.deepest_handler);
  outermost_handlers += session->checking.outermost_handlers;

  // The flood really did nest, click and close; otherwise the checks above prove little.
  EXPECT_GT(deepest_pump, 2);
  EXPECT_GT(sessions, 1);
  EXPECT_GT(outermost_handlers, kEvents / 2);
  EXPECT_LE(deepest_pump, EventRouter::kMaxNesting);
  EXPECT_LE(deepest_handler, EventRouter::kMaxNesting);
  // Capacities settle during the warm-up; after it the heap may move by a few blocks at most.
  EXPECT_LT(heap_at_end - heap_after_warm_up, 64 * 1024)
      << "heap grew from " << heap_after_warm_up << " to " << heap_at_end << " bytes";
}

}  // namespace
}  // namespace tarvelin
