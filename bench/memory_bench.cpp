// What the menu itself costs, without a display: the handlers, the pump and the composition of the
// framebuffer through the in-memory provider, the options file and the bitmap decoder.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "menu/frmMain.h"
#include "menu/layout.h"
#include "runtime/memory/memory_provider.h"
#include "runtime/picture.h"
#include "runtime/text.h"
#include "runtime/text_input.h"

namespace tarvelin {
namespace {

// Client pixels: a point of the bare window and the middle of entries 2, 3 and 4.
constexpr InputEvent kBareWindow{InputEvent::Type::PointerMove, 20, 20};
constexpr InputEvent kEntry2{InputEvent::Type::PointerMove, 250, 143};
constexpr InputEvent kEntry3{InputEvent::Type::PointerMove, 250, 182};
constexpr InputEvent kEntry4{InputEvent::Type::PointerMove, 250, 221};

constexpr const char* kSixLineOptions =
    "Tarvelin Demo Disc\r\nguide\\guide.exe\r\nbrowser\\brsetup.exe\r\nwebsrv\\setup.exe\r\n"
    "devkit\\setup.exe\r\nserver\\setup.exe\r\n";

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A started menu on the in-memory provider, the way a native main loop runs it.
struct StartedMenu {
  Artwork art = BuiltInArtwork();
  MemoryProvider rt{art, kHotSpotLayout};
  frmMain menu{rt};
  StartedMenu() {
    rt.files["C:\\Disc\\options.ini"] = {kSixLineOptions};
    rt.Start(menu);
  }
};

// From nothing onto an entry: the handler, its two pumps, the copy of the highlight and the
// composition of the changed rectangle. The move to the bare window that resets the highlight
// between iterations is not timed.
void BM_HoverFromNothingOntoEntry(benchmark::State& state) {
  StartedMenu m;
  for (auto _ : state) {
    state.PauseTiming();
    m.rt.Send(kBareWindow);
    state.ResumeTiming();
    m.rt.Send(kEntry3);
  }
  if (m.menu.intActiveItem() != 3) state.SkipWithError("entry 3 is not highlighted");
}
BENCHMARK(BM_HoverFromNothingOntoEntry);

// Straight from one entry onto another: hiding the old box, showing the new one, both redrawn.
void BM_HoverEntryToEntry(benchmark::State& state) {
  StartedMenu m;
  bool to_entry4 = true;
  for (auto _ : state) {
    m.rt.Send(to_entry4 ? kEntry4 : kEntry2);
    to_entry4 = !to_entry4;
  }
  if (m.menu.intActiveItem() != 2 && m.menu.intActiveItem() != 4) state.SkipWithError("no entry is highlighted");
}
BENCHMARK(BM_HoverEntryToEntry);

// Form_Load with the usual six-line options.ini: layout, opening, decoding and reading six fields.
void BM_FormLoadSixLineOptions(benchmark::State& state) {
  StartedMenu m;
  for (auto _ : state) {
    frmMain menu(m.rt);
    menu.Form_Load();
    benchmark::DoNotOptimize(m.rt.frmMain().Caption.data());
    if (m.rt.opened.size() > 1024) m.rt.opened.clear();  // the provider's record of opened files
  }
  if (m.rt.frmMain().Caption != "Tarvelin Demo Disc") state.SkipWithError("the title was not read");
}
BENCHMARK(BM_FormLoadSixLineOptions);

// Start-up without a screen: Form_Load and the first composition of the whole window.
void BM_StartAndFirstComposition(benchmark::State& state) {
  const Artwork art = BuiltInArtwork();
  for (auto _ : state) {
    MemoryProvider rt(art, kHotSpotLayout);
    frmMain menu(rt);
    rt.Start(menu);
    benchmark::DoNotOptimize(rt.ScreenPixel(0, 0));
  }
}
BENCHMARK(BM_StartAndFirstComposition);

// Many megabytes of short fields, so that the per-field work shows as a rate.
std::string ManyShortFields() {
  std::string text;
  for (int i = 0; text.size() < 16 * 1024 * 1024; ++i)
    text += (i % 3 == 0) ? "\"a, quoted field\"\r\n" : (i % 3 == 1) ? "guide\\guide.exe," : "  setup  \n";
  return text;
}

void BM_FieldReader(benchmark::State& state) {
  const std::string text = ManyShortFields();
  for (auto _ : state) {
    state.PauseTiming();
    TextInput input(text, true);
    state.ResumeTiming();
    while (!input.AtEnd()) {
      std::optional<std::string> field = input.ReadField();
      benchmark::DoNotOptimize(field);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FieldReader)->Unit(benchmark::kMillisecond);

void BM_Windows1252ToUtf8(benchmark::State& state) {
  std::string text = ManyShortFields();
  for (std::size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>(0x80 + i % 128);
  for (auto _ : state) benchmark::DoNotOptimize(Windows1252ToUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Windows1252ToUtf8)->Unit(benchmark::kMillisecond);

// The background picture as the art folder holds it: an uncompressed 8-bit bitmap.
void BM_DecodeBackgroundBitmap(benchmark::State& state) {
  const std::vector<std::uint8_t> file = ReadFile(std::string(TARVELIN_ART_DIR) + "/background.bmp");
  for (auto _ : state) {
    DecodedBitmap decoded = DecodeBitmap(file);
    if (!decoded) state.SkipWithError(Describe(decoded.error));
    benchmark::DoNotOptimize(decoded.picture.pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_DecodeBackgroundBitmap);

// Both pictures in the form the program carries them, checked to match.
void BM_DecodeBuiltInArtwork(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuiltInArtwork().background.pixels.data());
}
BENCHMARK(BM_DecodeBuiltInArtwork);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
