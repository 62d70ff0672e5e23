#include "runtime/win32/artwork_resources.h"

#include <gtest/gtest.h>

#include "menu/layout.h"
#include "runtime/win32/wide_text.h"

using namespace tarvelin;

namespace {

// A bitmap file as a bitmap resource holds it: without the 14-byte file header.
std::vector<std::uint8_t> DibOf(std::span<const std::uint8_t> file) { return {file.begin() + 14, file.end()}; }

void ExpectSamePicture(const Picture& a, const Picture& b) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.palette, b.palette);
  EXPECT_EQ(a.pixels, b.pixels);
}

}  // namespace

TEST(BitmapFileFromDib, RebuildsTheFileTheResourceCameFrom) {
  for (const auto file : {BuiltInBackgroundBitmap(), BuiltInHighlightBitmap()}) {
    const std::vector<std::uint8_t> rebuilt = BitmapFileFromDib(DibOf(file));
    ASSERT_EQ(rebuilt.size(), file.size());
    // Same header fields that matter (signature, size, pixel offset) and the same bytes after it.
    EXPECT_TRUE(std::equal(rebuilt.begin(), rebuilt.begin() + 6, file.begin()));
    EXPECT_TRUE(std::equal(rebuilt.begin() + 10, rebuilt.end(), file.begin() + 10));
  }
}

TEST(BitmapFileFromDib, ColourCountInTheHeaderSetsThePixelOffset) {
  std::vector<std::uint8_t> dib(40 + 16 * 4 + 4, 0);
  dib[0] = 40;           // info header size
  dib[4] = 1;            // width 1
  dib[8] = 1;            // height 1
  dib[12] = 1;           // planes
  dib[14] = 8;           // bits per pixel
  dib[32] = 16;          // 16 colours used
  dib[40 + 16 * 4] = 7;  // the one pixel: colour 7
  const std::vector<std::uint8_t> file = BitmapFileFromDib(dib);
  const DecodedBitmap decoded = DecodeBitmap(file);
  ASSERT_TRUE(decoded) << Describe(decoded.error);
  EXPECT_EQ(decoded.picture.Index(0, 0), 7);
}

TEST(BitmapFileFromDib, TooShortGivesNothing) {
  EXPECT_TRUE(BitmapFileFromDib(std::vector<std::uint8_t>(39, 0)).empty());
  EXPECT_TRUE(BitmapFileFromDib({}).empty());
}

TEST(BitmapFileFromDib, MalformedResourceIsRefusedByTheDecoder) {
  std::vector<std::uint8_t> dib = DibOf(BuiltInBackgroundBitmap());
  dib.resize(2000);  // the pixels are cut off
  EXPECT_FALSE(DecodeBitmap(BitmapFileFromDib(dib)));
  std::vector<std::uint8_t> huge_table(40, 0);
  huge_table[0] = 40, huge_table[4] = 1, huge_table[8] = 1, huge_table[12] = 1, huge_table[14] = 8;
  huge_table[32] = 0xFF, huge_table[33] = 0xFF, huge_table[34] = 0xFF, huge_table[35] = 0xFF;
  EXPECT_FALSE(DecodeBitmap(BitmapFileFromDib(huge_table)));
}

TEST(LoadArtwork, TakesThePicturesFromTheBitmapResources) {
  // This test program carries the art folder's pictures as IDB_BACKGROUND and IDB_HIGHLIGHT.
  const Artwork art = LoadArtwork(GetModuleHandleW(nullptr), "", kHotSpotLayout);
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.background);
  ExpectSamePicture(art.highlight, built_in.highlight);
  EXPECT_NE(art.background.pixels, art.highlight.pixels);
}

TEST(LoadArtwork, ModuleWithoutThePicturesFallsBackToTheBuiltInPair) {
  const Artwork art = LoadArtwork(GetModuleHandleW(L"kernel32.dll"), "", kHotSpotLayout);
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.background);
  ExpectSamePicture(art.highlight, built_in.highlight);
}

namespace {

// The folder this test program is in, with a trailing backslash.
std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// A module beside this program that carries only bitmap resources.
class ResourceModule {
 public:
  explicit ResourceModule(const wchar_t* name)
      : module_(LoadLibraryExW((ProgramFolder() + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ResourceModule() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace

TEST(LoadArtwork, PairsThatDoNotFitFallBackToTheBuiltInPair) {
  // mismatched_art.dll pairs the background with a 4 x 2 picture of another colour table;
  // outside_art.dll has that 4 x 2 picture twice, too small for any hot spot; huge_art.dll has
  // twice a 1080-byte file declaring an 8192 x 8192 RLE8 picture.
  const Artwork built_in = BuiltInArtwork();
  for (const wchar_t* name : {L"mismatched_art.dll", L"outside_art.dll", L"huge_art.dll"}) {
    SCOPED_TRACE(WideToUtf8(name));
    const ResourceModule resources(name);
    ASSERT_NE(resources.get(), nullptr);
    const Artwork art = LoadArtwork(resources.get(), "", kHotSpotLayout);
    ExpectSamePicture(art.background, built_in.background);
    ExpectSamePicture(art.highlight, built_in.highlight);
  }
}

namespace {

// A folder of its own for one test, removed with what it holds.
class Folder {
 public:
  Folder() : path_(ProgramFolder() + L"art-folder-" + std::to_wstring(GetCurrentProcessId())) {
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~Folder() {
    for (const wchar_t* name : {L"background.bmp", L"highlight.bmp"}) {
      DeleteFileW((path_ + L"\\" + name).c_str());
      RemoveDirectoryW((path_ + L"\\" + name).c_str());
    }
    RemoveDirectoryW(path_.c_str());
  }
  std::string Utf8() const { return WideToUtf8(path_); }
  void Write(const wchar_t* name, std::span<const std::uint8_t> bytes) const {
    const HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
  }
  void MakeFolder(const wchar_t* name) const { CreateDirectoryW((path_ + L"\\" + name).c_str(), nullptr); }

 private:
  std::wstring path_;
};

}  // namespace

TEST(LoadArtwork, APairBesideTheProgramComesFirst) {
  // Swapped, so that the pictures show where they came from.
  const Folder folder;
  folder.Write(L"background.bmp", BuiltInHighlightBitmap());
  folder.Write(L"highlight.bmp", BuiltInBackgroundBitmap());
  const Artwork art = LoadArtwork(GetModuleHandleW(nullptr), folder.Utf8(), kHotSpotLayout);
  const Artwork built_in = BuiltInArtwork();
  ExpectSamePicture(art.background, built_in.highlight);
  ExpectSamePicture(art.highlight, built_in.background);
}

TEST(LoadArtwork, APairBesideTheProgramThatDoesNotFitLeavesTheResources) {
  const Folder folder;
  std::vector<std::uint8_t> other_colours(BuiltInHighlightBitmap().begin(), BuiltInHighlightBitmap().end());
  other_colours[54 + 4 * 7] ^= 0xFF;
  folder.Write(L"background.bmp", BuiltInHighlightBitmap());
  folder.Write(L"highlight.bmp", other_colours);
  const ResourceModule outside(L"outside_art.dll");
  for (HMODULE module : {GetModuleHandleW(nullptr), outside.get()}) {
    const Artwork art = LoadArtwork(module, folder.Utf8(), kHotSpotLayout);
    const Artwork built_in = BuiltInArtwork();
    ExpectSamePicture(art.background, built_in.background);
    ExpectSamePicture(art.highlight, built_in.highlight);
  }
}

TEST(ReadArtFile, ReadsDiskFilesOnly) {
  const Folder folder;
  EXPECT_EQ(ReadArtFile(folder.Utf8() + "\\background.bmp").state, ArtFile::State::Absent);
  EXPECT_EQ(ReadArtFile(folder.Utf8() + "\\no such folder\\background.bmp").state, ArtFile::State::Absent);
  folder.Write(L"background.bmp", BuiltInBackgroundBitmap());
  const ArtFile read = ReadArtFile(folder.Utf8() + "\\background.bmp");
  EXPECT_EQ(read.state, ArtFile::State::Read);
  EXPECT_TRUE(std::equal(read.bytes.begin(), read.bytes.end(), BuiltInBackgroundBitmap().begin(),
                         BuiltInBackgroundBitmap().end()));
  folder.MakeFolder(L"highlight.bmp");
  EXPECT_EQ(ReadArtFile(folder.Utf8() + "\\highlight.bmp").state, ArtFile::State::Refused);
  // A device, which would never end.
  EXPECT_EQ(ReadArtFile("\\\\.\\NUL").state, ArtFile::State::Refused);
}
