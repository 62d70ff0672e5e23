// tarvelin-art: turns a disc author's pictures into the pair the menu shows, lays out a medium
// for Windows and Linux, and checks that a pair fits the menu, drawing a preview of where the
// highlights fall, so an author can see it before burning anything.

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "check.h"
#include "convert.h"
#include "files_in_place.h"
#include "medium.h"
#include "picture_file.h"
#include "menu/layout.h"
#include "png.h"
#include "runtime/artwork.h"
#include "tools/common/capped_file.h"
#include "tools/common/utf8_path.h"

namespace {

using tarvelin::Picture;

constexpr const char* kUsage =
    "Usage: tarvelin-art [--preview PREVIEW.png] BACKGROUND.bmp HIGHLIGHT.bmp\n"
    "       tarvelin-art convert [--out DIR] [STYLE] [--preview PREVIEW.png] BACKGROUND [HIGHLIGHT]\n"
    "       tarvelin-art medium DIR [--options options.ini] [--background PICTURE [--highlight PICTURE] [STYLE]]\n"
    "                           [--programs DIR] [--icon PICTURE] [--preview PREVIEW.png] [--linux tarvelin]\n"
    "                           [--windows tarvelin.exe] [--force]\n"
    "       tarvelin-art check DIR\n"
    "       tarvelin-art --version\n"
    "\n"
    "Checks that two pictures fit the menu: both 8-bit Windows bitmaps (uncompressed or RLE8) of\n"
    "the same size (at most 4096 x 4096) with the same colour table, and every entry and the exit\n"
    "button inside them: the rules the build and the menu itself apply.\n"
    "With --preview, also writes a PNG of both pictures, one above the other, with the six\n"
    "hot-spot rectangles outlined.\n"
    "\n"
    "convert: turns pictures of the menu's size into background.bmp and highlight.bmp in DIR\n"
    "(default: the current folder), with one colour table chosen for the pixels that show, prints their\n"
    "colour error (PSNR), and checks them as above. It reads PNG (every depth: palette, grey, with or\n"
    "without alpha), JPEG (turned upright as its EXIF orientation says), BMP (1 to 32 bits, RLE too)\n"
    "and GIF (the first picture of an animation). Without a highlight picture, one is drawn: every\n"
    "entry and the exit button lit in the highlight colour. The pictures given are never written over,\n"
    "and DIR holds either the pair it held or the new one, never half of each.\n"
    "\n"
    "medium: puts the menu at the root of the folder DIR, a medium for Windows and Linux: both\n"
    "programs (by default the ones in the medium folder beside this tool, as the kit holds them, else\n"
    "the ones the build that made this tool made), options.ini, autorun.inf, autorun.sh,\n"
    "LICENSES.txt and the licence texts it names in licenses/ (keep both on the medium), the pictures\n"
    "converted as above when given, and with --programs the files of DIR,\n"
    "the programs your entries start, copied to the medium as they lie in DIR; then checks the pair\n"
    "the medium holds. Everything is read and converted before anything is written, and every file is\n"
    "written whole or not at all: the folder holds the medium it held or the new one. An autorun.inf of\n"
    "your own stays unless --force is given. --icon makes the drive's icon, autorun.ico, from a picture\n"
    "of any size in the formats read (square is best; transparency kept). Ends with the report of check.\n"
    "\n"
    "--preview never writes over a file the command reads or writes: such a name is refused first.\n"
    "\n"
    "check: reads DIR/options.ini as the menu reads it (the built-in commands standing for the lines\n"
    "it leaves out) and says what each of the five entries starts on Windows and on Linux, by the\n"
    "programs' own rules: a program on the medium, a program the user's system may or may not have\n"
    "(its folders and PATH), a document, folder or link for the desktop's opener, or nothing, where\n"
    "the menu says \"The file ... could not be found.\". A warning names each entry that starts\n"
    "nothing on one of the systems. To serve both, name programs without an extension (setup, not\n"
    "setup.exe) and put one for each system side by side: setup.exe for Windows, setup for Linux (an\n"
    "x86-64 program, or a script whose \"#!\" line ends without a carriage return).\n"
    "\n"
    "STYLE: --no-dither  no error diffusion (flat areas, sharper text; bands where colours change slowly)\n"
    "       --highlight-colour COLOUR  the colour of a drawn highlight (default #ffcc00)\n"
    "       --matte COLOUR  what shows through transparent pixels (without it, they are refused)\n"
    "COLOUR: #rrggbb, #rgb, rgb(R, G, B) with 0 to 255, or a CSS colour name (gold, navy, ...)\n"
    "\n"
    "Exit status: 0 when the pair fits, 1 when it does not, 2 when the command is wrong. check: 0 when\n"
    "every entry starts something on Windows or on Linux (warnings or not), 1 when an entry starts\n"
    "nothing on either or DIR is no folder, 2 when the command is wrong.\n";

constexpr std::uint32_t kOutline = 0xFF00FF;

// The pair when it fits the menu, by the rules the build and the programs apply.
tarvelin::Outcome<tarvelin::Artwork> Fits(const std::string& back_path, const std::string& high_path) {
  tarvelin::Outcome<std::vector<std::uint8_t>> back =
      tarvelin::ReadCappedFile(back_path, tarvelin::kMaxArtFileBytes, "a picture of the menu can take");
  if (!back) return tarvelin::Fault{back.fault()};
  tarvelin::Outcome<std::vector<std::uint8_t>> high =
      tarvelin::ReadCappedFile(high_path, tarvelin::kMaxArtFileBytes, "a picture of the menu can take");
  if (!high) return tarvelin::Fault{high.fault()};
  tarvelin::ArtworkFit fit = tarvelin::FitArtwork(*back, back_path, *high, high_path, tarvelin::kHotSpotLayout);
  if (!fit.art) return tarvelin::Fault{fit.fault};
  for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout) {
    bool differs = false;
    for (int y = static_cast<int>(spot.Top); y < spot.Top + spot.Height && !differs; ++y)
      for (int x = static_cast<int>(spot.Left); x < spot.Left + spot.Width && !differs; ++x)
        differs = fit.art->background.Index(x, y) != fit.art->highlight.Index(x, y);
    if (!differs)
      std::fprintf(stderr, "warning: hot spot %d looks the same in both pictures, so its highlight will not show\n",
                   spot.Index);
  }
  return std::move(*fit.art);
}

void Outline(std::vector<std::uint32_t>& pixels, int width, int top, const tarvelin::HotSpotDesign& spot) {
  const int x0 = static_cast<int>(spot.Left), y0 = top + static_cast<int>(spot.Top);
  const int x1 = x0 + static_cast<int>(spot.Width) - 1, y1 = y0 + static_cast<int>(spot.Height) - 1;
  for (int x = x0; x <= x1; ++x) pixels[static_cast<std::size_t>(y0) * width + x] = pixels[static_cast<std::size_t>(y1) * width + x] = kOutline;
  for (int y = y0; y <= y1; ++y) pixels[static_cast<std::size_t>(y) * width + x0] = pixels[static_cast<std::size_t>(y) * width + x1] = kOutline;
}

tarvelin::Outcome<> WritePreview(const std::string& path, const Picture& back, const Picture& high) {
  const int w = back.width, h = back.height;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h * 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      pixels[static_cast<std::size_t>(y) * w + x] = back.Colour(x, y);
      pixels[static_cast<std::size_t>(y + h) * w + x] = high.Colour(x, y);
    }
  for (const tarvelin::HotSpotDesign& spot : tarvelin::kHotSpotLayout) {
    Outline(pixels, w, 0, spot);
    Outline(pixels, w, h, spot);
  }
  const tarvelin::Outcome<std::string> png = tarvelin::EncodePng(w, h * 2, pixels);
  if (!png) return tarvelin::Fault{path + ": " + png.fault()};
  const std::filesystem::path at = tarvelin::PathOf(path);
  return tarvelin::PutFilesInPlace(tarvelin::NameOf(at.parent_path()), {{tarvelin::NameOf(at.filename()), *png, "", false}});
}

// The full name |path| has or would have, in one spelling: on Windows, and on a medium formatted
// there, names differ not by the case of their letters.
std::filesystem::path Spelling(const std::string& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(tarvelin::PathOf(path), ec), ec);
#ifdef _WIN32
  std::wstring name = full.native();
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
#else
  std::string name = full.native();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
#endif
}

// True when |a| and |b| are one file: the same file when both exist (a link or another name of it
// too), else the same full name.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(tarvelin::PathOf(a), tarvelin::PathOf(b), ec)) return true;
  return Spelling(a) == Spelling(b);
}

// The fault when the preview would write over a file the command writes (|outputs|) or reads
// (|inputs|), found before anything is written.
tarvelin::Outcome<> CheckPreview(const std::string& preview, const std::vector<std::string>& outputs,
                                 const std::vector<std::string>& inputs) {
  if (preview.empty()) return {};
  std::error_code ec;
  if (std::filesystem::is_directory(tarvelin::PathOf(preview), ec))
    return tarvelin::Fault{preview + ": a folder; give --preview the name of a PNG file"};
  for (const auto& [files, how] : {std::pair{&outputs, "writes"}, std::pair{&inputs, "reads"}})
    for (const std::string& file : *files)
      if (SameFile(preview, file))
        return tarvelin::Fault{file + ": would be written over by the preview (a file this command " + how +
                               "); give --preview another name"};
  return {};
}

// Where the pair goes in |dir|.
std::vector<std::string> PairNames(const std::string& dir) { return {dir + "/background.bmp", dir + "/highlight.bmp"}; }

// The author's pictures converted, the pair to be written into |out_dir| and perhaps previewed.
tarvelin::Outcome<tarvelin::ConvertedPair> Convert(const std::string& background, const std::string& highlight,
                                                   const tarvelin::ConversionStyle& style, const std::string& out_dir,
                                                   const std::string& preview) {
  std::vector<std::string> pictures = {background};
  if (!highlight.empty()) pictures.push_back(highlight);
  if (tarvelin::Outcome<> free = tarvelin::CheckNotOverwritten(out_dir, preview, pictures); !free)
    return tarvelin::Fault{free.fault()};
  if (tarvelin::Outcome<> free = CheckPreview(preview, PairNames(out_dir), {}); !free) return tarvelin::Fault{free.fault()};
  tarvelin::Outcome<tarvelin::ConvertedPair> pair = tarvelin::ConvertPair(
      background, highlight.empty() ? std::nullopt : std::optional<std::string>(highlight), style);
  if (pair)
    for (const std::string& warning : pair->warnings) std::fprintf(stderr, "warning: %s\n", warning.c_str());
  return pair;
}

// The folder this program was started from, whatever the current directory; empty when the system
// does not say.
std::filesystem::path OwnFolder() {
#ifdef _WIN32
  std::wstring self(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return {};
  self.resize(length);
  return std::filesystem::path(self).parent_path();
#else
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
#endif
}

// The program that `medium` lays out unless told: the one in the medium folder beside the tool,
// where the kit puts it, else the one the build that made the tool made, if that build made one.
// When neither is there, the kit's place is the one named as missing.
std::string DefaultProgram(const std::string& name, const std::string& built) {
  const std::filesystem::path own_folder = OwnFolder();
  if (!own_folder.empty()) {
    const std::filesystem::path in_kit = own_folder / "medium" / name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(in_kit, ec) || built.empty()) return tarvelin::NameOf(in_kit);
  }
  return built;
}

int Refuse(const std::string& fault) {
  std::fprintf(stderr, "%s\n", fault.c_str());
  return 1;
}

}  // namespace

int Run(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool convert = mode == "convert", medium = mode == "medium", check = mode == "check";
  std::string preview, out_dir = ".", background, highlight;
  tarvelin::ConversionStyle style;
  bool style_given = false;
  tarvelin::MediumSources sources{"", DefaultProgram(".tarvelin", TARVELIN_LINUX_PROGRAM),
                                  DefaultProgram("tarvelin.exe", TARVELIN_WINDOWS_PROGRAM), "", "", false};
  std::vector<std::string> files;
  auto usage_error = [](const std::string& message) {
    std::fprintf(stderr, "tarvelin-art: %s\n\n%s", message.c_str(), kUsage);
    return 2;
  };
  for (int i = convert || medium || check ? 2 : 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("tarvelin-art %s\n", TARVELIN_VERSION);
      return 0;
    }
    if (arg == "--preview" && has_value) {
      preview = argv[++i];
    } else if ((convert || medium) && arg == "--no-dither") {
      style.dither = false;
      style_given = true;
    } else if ((convert || medium) && arg == "--highlight-colour" && has_value) {
      style.highlight_colour = argv[++i];
      style_given = true;
      if (tarvelin::Outcome<std::uint32_t> colour = tarvelin::ParseColour(style.highlight_colour); !colour)
        return usage_error("--highlight-colour " + colour.fault());
    } else if ((convert || medium) && arg == "--matte" && has_value) {
      tarvelin::Outcome<std::uint32_t> colour = tarvelin::ParseColour(argv[++i]);
      if (!colour) return usage_error("--matte " + colour.fault());
      style.matte = *colour;
      style_given = true;
    } else if (convert && arg == "--out" && has_value) {
      out_dir = argv[++i];
    } else if (medium && arg == "--options" && has_value) {
      sources.options = argv[++i];
    } else if (medium && arg == "--background" && has_value) {
      background = argv[++i];
    } else if (medium && arg == "--highlight" && has_value) {
      highlight = argv[++i];
    } else if (medium && arg == "--linux" && has_value) {
      sources.linux_program = argv[++i];
    } else if (medium && arg == "--windows" && has_value) {
      sources.windows_program = argv[++i];
    } else if (medium && arg == "--icon" && has_value) {
      sources.icon = argv[++i];
    } else if (medium && arg == "--programs" && has_value) {
      sources.programs = argv[++i];
    } else if (medium && arg == "--force") {
      sources.replace_autorun = true;
    } else if (arg.starts_with("-") && arg != "-") {
      return usage_error("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }

  std::optional<tarvelin::ConvertedPair> pair;
  if (check) {
    if (files.size() != 1) return usage_error("give the medium's folder");
    if (!preview.empty()) return usage_error("--preview draws a pair of pictures; check takes only the medium's folder");
    std::error_code ec;
    if (!std::filesystem::is_directory(tarvelin::PathOf(files[0]), ec)) return Refuse(files[0] + ": not a folder");
    return tarvelin::ReportEntries(files[0]).starting_nothing_anywhere > 0 ? 1 : 0;
  }
  if (convert) {
    if (files.empty() || files.size() > 2)
      return usage_error("give the background picture, and the highlight picture if there is one");
    background = files[0];
    if (files.size() == 2) highlight = files[1];
    tarvelin::Outcome<tarvelin::ConvertedPair> converted = Convert(background, highlight, style, out_dir, preview);
    if (!converted) return Refuse(converted.fault());
    if (tarvelin::Outcome<> written = tarvelin::WritePair(*converted, out_dir); !written)
      return Refuse(written.fault());
    pair = std::move(*converted);
  } else if (medium) {
    if (files.size() != 1) return usage_error("give the medium's folder");
    if (!highlight.empty() && background.empty()) return usage_error("--highlight needs --background");
    if (style_given && background.empty())
      return usage_error("--no-dither, --highlight-colour and --matte say how pictures are converted: "
                         "give the pictures with --background (and --highlight)");
    out_dir = files[0];
    tarvelin::Outcome<tarvelin::MediumPlan> plan = tarvelin::PlanMedium(sources, out_dir);
    if (!plan) return Refuse(plan.fault());
    std::vector<std::string> outputs = PairNames(out_dir), inputs = plan->inputs;
    for (const tarvelin::FileToWrite& file : plan->files) outputs.push_back(out_dir + "/" + file.name);
    if (!background.empty()) inputs.push_back(background);
    if (!highlight.empty()) inputs.push_back(highlight);
    if (tarvelin::Outcome<> free = CheckPreview(preview, outputs, inputs); !free) return Refuse(free.fault());
    const std::string names = tarvelin::NamesOf(*plan);
    if (!background.empty()) {
      tarvelin::Outcome<tarvelin::ConvertedPair> converted = Convert(background, highlight, style, out_dir, preview);
      if (!converted) return Refuse(converted.fault());
      pair = std::move(*converted);
      const std::string from = highlight.empty() ? background : background + " and " + highlight;
      for (tarvelin::FileToWrite& file : tarvelin::PairFiles(*pair)) {
        const std::string at = out_dir + "/" + file.name;
        tarvelin::Outcome<std::string> old = tarvelin::ReadFileStart(at, file.bytes.size() + 1);
        if (old && *old != file.bytes)
          plan->notes.push_back(at + ": replaced by the picture converted from " + from);
        plan->files.push_back(std::move(file));
      }
    }
    if (tarvelin::Outcome<> laid_out = tarvelin::LayOutMedium(*plan); !laid_out) return Refuse(laid_out.fault());
    std::printf("%s: %s laid out\n", out_dir.c_str(), names.c_str());
    for (const std::string& note : plan->notes) std::printf("%s\n", note.c_str());
    tarvelin::ReportEntries(out_dir);
  } else if (files.size() != 2) {
    return usage_error("give two pictures, the background and the highlight");
  }

  if (pair) {
    std::printf("colour error (PSNR, %s): background %.2f dB, highlighted hot spots %.2f dB%s\n",
                style.dither ? "dithered" : "not dithered", pair->background_psnr, pair->highlight_psnr,
                highlight.empty() ? (", highlight drawn in " + style.highlight_colour).c_str() : "");
    files = PairNames(out_dir);
  } else if (medium) {
    files = PairNames(out_dir);
    std::error_code ec;
    if (!std::filesystem::exists(tarvelin::PathOf(files[0]), ec) && !std::filesystem::exists(tarvelin::PathOf(files[1]), ec)) {
      std::printf("%s: no pictures beside the programs, so the menu shows its built-in ones\n", out_dir.c_str());
      return 0;
    }
  }

  if (tarvelin::Outcome<> free = CheckPreview(preview, {}, files); !free) return Refuse(free.fault());
  tarvelin::Outcome<tarvelin::Artwork> art = Fits(files[0], files[1]);
  if (!art) return Refuse(art.fault());
  if (!preview.empty())
    if (tarvelin::Outcome<> written = WritePreview(preview, art->background, art->highlight); !written)
      return Refuse(written.fault());
  std::printf("%s and %s fit the menu (%d x %d)%s%s\n", files[0].c_str(), files[1].c_str(), art->background.width,
              art->background.height,
              preview.empty() ? "" : "; preview: ", preview.c_str());
  return 0;
}

#ifdef _WIN32
// Windows gives the command line in UTF-16; the tool works in UTF-8 (tools/common/utf8_path.h) and
// writes it so to the console.
int wmain(int argc, wchar_t** wide_argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(std::max(length, 1)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, arg.data(), length, nullptr, nullptr);
    arg.pop_back();  // the terminating zero
    args.push_back(std::move(arg));
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const UINT console = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
  const int status = Run(argc, argv.data());
  SetConsoleOutputCP(console);
  return status;
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
