// Start-up: the window's size and place, the hot spots, and the title and commands from options.ini.

#include <memory>
#include <optional>

#include "menu_harness.h"
#include "runtime/text.h"

namespace tarvelin::testing {
namespace {

constexpr const char* kOptionsPath = "C:\\Disc\\options.ini";

// Start-up must leave the box hidden whatever state it found it in.
void ShowBoxBeforeLoad(TestMenu& menu) {
  HighlightBox& box = menu.rt.picDisplay();
  const PixelRect entry = RectOf(1);
  box.SetLeft(entry.x), box.SetTop(entry.y), box.SetWidth(entry.w), box.SetHeight(entry.h);
  box.SetVisible(true);
}

// A started menu whose application directory holds |options| (nothing: no options.ini).
std::unique_ptr<TestMenu> StartWith(std::optional<std::string> options) {
  auto menu = std::make_unique<TestMenu>();
  if (options) menu->rt.files[kOptionsPath].bytes = std::move(*options);
  ShowBoxBeforeLoad(*menu);
  EXPECT_TRUE(menu->Start());
  return menu;
}

std::vector<std::string> Tags(TestMenu& menu) {
  std::vector<std::string> tags;
  for (std::int16_t i = 1; i <= 5; ++i) tags.push_back(menu.rt.imgHover(i)->Tag);
  return tags;
}

const std::vector<std::string> kBuiltInTags = {BuiltInTag(1), BuiltInTag(2), BuiltInTag(3), BuiltInTag(4),
                                               BuiltInTag(5)};

// Whatever the options file held, the menu opens shown, idle and showing the plain background.
void ExpectIdle(TestMenu& menu) {
  EXPECT_TRUE(menu.rt.shown);
  EXPECT_EQ(menu.active(), 0);
  EXPECT_FALSE(menu.rt.picDisplay().Visible());
  EXPECT_TRUE(ScreenShows(menu.rt, 0));
  EXPECT_TRUE(menu.rt.messages.empty());
  EXPECT_TRUE(menu.rt.started.empty());
}

TEST(FormLoad, WindowIsTheArtworkSizeAtEveryDisplayScale) {
  const struct {
    float x, y;
  } scales[] = {{15, 15}, {12, 12}, {7.5f, 7.5f}, {20, 10}, {14.4f, 14.4f}, {13.333333f, 6.6666665f}};
  for (const auto& scale : scales) {
    SCOPED_TRACE(::testing::Message() << "window units per pixel " << scale.x << " x " << scale.y);
    TestMenu menu(scale.x, scale.y);
    ShowBoxBeforeLoad(menu);
    ASSERT_TRUE(menu.Start());
    EXPECT_NEAR(menu.rt.frmMain().Width() / scale.x, 480.0f, 0.01f);
    EXPECT_NEAR(menu.rt.frmMain().Height() / scale.y, 360.0f, 0.01f);
    // Shown at 480 x 360, centred on the 1024 x 768 screen.
    EXPECT_EQ(menu.rt.window, (PixelRect{272, 204, 480, 360}));
    ExpectIdle(menu);
  }
}

// A provider made from pictures that live no longer than the statement making it still draws them.
TEST(FormLoad, ShowsPicturesGivenAsATemporary) {
  MemoryProvider rt(BuiltInArtwork(), kHotSpotLayout);
  frmMain menu(rt);
  RecordingHandlers handlers(menu, rt.router());
  ASSERT_TRUE(rt.Start(handlers));
  EXPECT_TRUE(ScreenShows(rt, 0));
  rt.Send(Move(CentreOf(3)));
  EXPECT_EQ(menu.intActiveItem(), 3);
  EXPECT_TRUE(ScreenShows(rt, 3));
}

TEST(FormLoad, PlacesTheSixHotSpotsWhereverTheyWere) {
  TestMenu menu;
  for (HotSpot& spot : menu.rt.form().HotSpots()) spot.Left = spot.Top = spot.Width = spot.Height = 7;
  ASSERT_TRUE(menu.Start());
  for (const std::int16_t index : kHotSpotIndices) {
    const HotSpot* spot = menu.rt.imgHover(index);
    ASSERT_NE(spot, nullptr) << "hot spot " << index;
    const PixelRect expected = RectOf(index);
    EXPECT_EQ(spot->Left, expected.x) << "hot spot " << index;
    EXPECT_EQ(spot->Top, expected.y) << "hot spot " << index;
    EXPECT_EQ(spot->Width, expected.w) << "hot spot " << index;
    EXPECT_EQ(spot->Height, expected.h) << "hot spot " << index;
  }
  EXPECT_EQ(menu.rt.form().HotSpots().size(), 6u);
}

TEST(FormLoad, OnlyIndicesOneToFiveAndEightExist) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  for (std::int16_t missing : {0, 6, 7, 9, -1, 32767, -32768}) EXPECT_EQ(menu.rt.imgHover(missing), nullptr) << missing;
  const HotSpot* exit = menu.rt.imgHover(8);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->Left, RectOf(8).x);
  EXPECT_EQ(exit->Tag, "");
}

TEST(FormLoad, OpensOptionsFileInTheApplicationDirectory) {
  const struct {
    const char* app_path;
    char separator;
    const char* expected;
  } cases[] = {
      {"C:\\Disc", '\\', "C:\\Disc\\options.ini"},
      {"D:\\", '\\', "D:\\options.ini"},  // a drive's root already ends with the separator
      {"\\\\server\\share\\disc", '\\', "\\\\server\\share\\disc\\options.ini"},
      {"/media/disc", '/', "/media/disc/options.ini"},
      {"/", '/', "/options.ini"},
  };
  for (const auto& c : cases) {
    TestMenu menu;
    menu.rt.app_path = c.app_path;
    menu.rt.separator = c.separator;
    menu.rt.files[c.expected].bytes = "Found\r\n";
    ASSERT_TRUE(menu.Start());
    EXPECT_EQ(menu.rt.opened, std::vector<std::string>{c.expected});
    EXPECT_EQ(menu.rt.frmMain().Caption, "Found") << c.app_path;
  }
}

TEST(FormLoad, WithoutOptionsFileKeepsEmptyTitleAndBuiltInCommands) {
  auto menu = StartWith(std::nullopt);
  EXPECT_EQ(menu->rt.frmMain().Caption, "");
  EXPECT_EQ(Tags(*menu), kBuiltInTags);
  ExpectIdle(*menu);
}

TEST(FormLoad, OptionsFileThatCannotBeReadIsIgnored) {
  for (const bool directory : {true, false}) {
    TestMenu menu;
    MemoryProvider::File& file = menu.rt.files[kOptionsPath];
    file.bytes = "Title\r\nx.exe\r\n";
    file.directory = directory;   // a directory named options.ini
    file.readable = directory;    // or a file that may not be read
    ShowBoxBeforeLoad(menu);
    ASSERT_TRUE(menu.Start());
    EXPECT_EQ(menu.rt.frmMain().Caption, "");
    EXPECT_EQ(Tags(menu), kBuiltInTags);
    ExpectIdle(menu);
  }
}

TEST(FormLoad, AppliesFieldsInOrder) {
  const struct {
    const char* name;
    std::string options;
    std::string title;
    std::vector<std::string> tags;
  } cases[] = {
      {"empty", "", "", kBuiltInTags},
      {"title only", "My Disc\r\n", "My Disc", kBuiltInTags},
      {"title without line end", "My Disc", "My Disc", kBuiltInTags},
      {"three commands", "My Disc\r\na\\a.exe\r\nb\\b.exe -x\r\nc.exe\r\n", "My Disc",
       {"a\\a.exe", "b\\b.exe -x", "c.exe", BuiltInTag(4), BuiltInTag(5)}},
      {"six fields written on Linux", "T\na\nb\nc\nd\ne\n", "T", {"a", "b", "c", "d", "e"}},
      {"seven and more fields", "T\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n", "T", {"1", "2", "3", "4", "5"}},
      {"comma in the title moves every command down", "Tools, and more\r\na.exe\r\nb.exe\r\n", "Tools",
       {"and more", "a.exe", "b.exe", BuiltInTag(4), BuiltInTag(5)}},
      {"quoted title with a comma", "\"Tools, and more\"\r\na.exe\r\n", "Tools, and more",
       {"a.exe", BuiltInTag(2), BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"quoted command with arguments", "T\r\n\"setup.exe /lang=en,de\"\r\n", "T",
       {"setup.exe /lang=en,de", BuiltInTag(2), BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"blank line is an empty command", "T\r\n\r\nb.exe\r\n", "T",
       {"", "b.exe", BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"unterminated quote takes the rest of the file", "\"Title\r\na.exe\r\nb.exe\r\n",
       "Title\r\na.exe\r\nb.exe\r\n", kBuiltInTags},
      {"NUL bytes are ordinary characters", std::string("Ti\0tle\r\n\0\r\n", 11), std::string("Ti\0tle", 6),
       {std::string(1, '\0'), BuiltInTag(2), BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"Windows-1252 text", "Caf\xE9 \x80 \x93quoted\x94\r\n\xC4pfel.exe\r\n",
       "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D",
       {"\xC3\x84pfel.exe", BuiltInTag(2), BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFMen\xC3\xBC\r\n\xC3\xA9.exe\r\n", "Men\xC3\xBC",
       {"\xC3\xA9.exe", BuiltInTag(2), BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
      {"UTF-8 without a mark", "Men\xC3\xBC\r\n", "Men\xC3\xBC", kBuiltInTags},
      {"UTF-16 with a byte-order mark", std::string("\xFF\xFET\0i\0,\0\r\0\n\0a\0\xE9\0\r\0\n\0", 20), "Ti",
       {"", "a\xC3\xA9", BuiltInTag(3), BuiltInTag(4), BuiltInTag(5)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto menu = StartWith(c.options);
    EXPECT_EQ(menu->rt.frmMain().Caption, c.title);
    EXPECT_EQ(Tags(*menu), c.tags);
    ExpectIdle(*menu);
  }
}

TEST(FormLoad, ArbitraryBytesGiveTheFieldsTheReaderDefines) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  auto menu = StartWith(bytes);
  // Fields end at LF (10), CR (13) and the comma (44); every other byte is text.
  EXPECT_EQ(menu->rt.frmMain().Caption, Windows1252ToUtf8(bytes.substr(0, 10)));
  EXPECT_EQ(Tags(*menu), (std::vector<std::string>{Windows1252ToUtf8(bytes.substr(11, 2)),
                                                   Windows1252ToUtf8(bytes.substr(14, 30)),
                                                   Windows1252ToUtf8(bytes.substr(45)), BuiltInTag(4), BuiltInTag(5)}));
  ExpectIdle(*menu);
}

TEST(FormLoad, HugeFileWithoutLineEndAppliesNothing) {
  auto menu = StartWith(std::string(100u << 20, 'x'));
  EXPECT_EQ(menu->rt.frmMain().Caption, "");
  EXPECT_EQ(Tags(*menu), kBuiltInTags);
  ExpectIdle(*menu);
}

TEST(FormLoad, ReadErrorKeepsWhatWasApplied) {
  // The second command runs on far past anything a sane field holds.
  auto menu = StartWith("Title\r\nfirst.exe\r\n" + std::string(1u << 20, 'y'));
  EXPECT_EQ(menu->rt.frmMain().Caption, "Title");
  EXPECT_EQ(Tags(*menu), (std::vector<std::string>{"first.exe", BuiltInTag(2), BuiltInTag(3), BuiltInTag(4),
                                                   BuiltInTag(5)}));
  ExpectIdle(*menu);
}

TEST(FormLoad, OverlongFieldEndsTheReading) {
  auto menu = StartWith("Title\r\n" + std::string(kMaxFieldBytes + 1, 'c') + "\r\nsecond.exe\r\n");
  EXPECT_EQ(menu->rt.frmMain().Caption, "Title");
  EXPECT_EQ(Tags(*menu), kBuiltInTags);
  ExpectIdle(*menu);
}

}  // namespace
}  // namespace tarvelin::testing
