// Activation and closing: a click on the highlighted entry starts its command from the application
// directory; the missing-file message; the exit button and Escape close the menu; nothing else does.

#include "menu_harness.h"

namespace tarvelin {

// Equality and printing for what the in-memory provider records, so failures show it readably.
static bool operator==(const MemoryProvider::StartedProgram& a, const MemoryProvider::StartedProgram& b) {
  return a.command == b.command && a.directory == b.directory && a.drive == b.drive;
}
static std::ostream& operator<<(std::ostream& out, const MemoryProvider::StartedProgram& s) {
  return out << "{\"" << s.command << "\" in " << s.drive << " " << s.directory << "}";
}
static bool operator==(const MemoryProvider::Message& a, const MemoryProvider::Message& b) {
  return a.prompt == b.prompt && a.title == b.title;
}
static std::ostream& operator<<(std::ostream& out, const MemoryProvider::Message& m) {
  return out << "{\"" << m.prompt << "\" titled \"" << m.title << "\"}";
}

}  // namespace tarvelin

namespace tarvelin::testing {
namespace {

using Started = MemoryProvider::StartedProgram;

// A machine whose current directory is elsewhere than the menu's own.
void WorkElsewhere(MemoryProvider& rt) {
  rt.directories.insert("C:\\Work");
  rt.current_directory = "C:\\Work";
}

// Still open, with hot spot |k| highlighted on screen.
void ExpectOpenWithHighlight(TestMenu& menu, std::int16_t k) {
  EXPECT_TRUE(menu.rt.shown);
  EXPECT_FALSE(menu.rt.form().unloaded);
  EXPECT_EQ(menu.active(), k);
  EXPECT_TRUE(menu.rt.picDisplay().Visible());
  EXPECT_TRUE(ScreenShows(menu.rt, k));
}

TEST(Activation, EachEntryStartsItsBuiltInCommandFromTheApplicationDirectory) {
  for (std::int16_t k = 1; k <= 5; ++k) {
    SCOPED_TRACE(::testing::Message() << "entry " << k);
    TestMenu menu;
    WorkElsewhere(menu.rt);
    ASSERT_TRUE(menu.Start());
    menu.Hover(k);
    menu.ClickOn(k);
    EXPECT_EQ(menu.rt.started, (std::vector<Started>{{BuiltInTag(k), "C:\\Disc", 'C'}}));
    EXPECT_TRUE(menu.rt.messages.empty());
    ExpectOpenWithHighlight(menu, k);
  }
}

TEST(Activation, EachEntryStartsTheCommandFromTheOptionsFile) {
  TestMenu menu;
  WorkElsewhere(menu.rt);
  menu.rt.files["C:\\Disc\\options.ini"].bytes = "Disc\r\none\\a.exe\r\ntwo.exe -q\r\n\"c.exe /x=1,2\"\r\nd\r\ne.bat\r\n";
  ASSERT_TRUE(menu.Start());
  const std::vector<std::string> expected = {"one\\a.exe", "two.exe -q", "c.exe /x=1,2", "d", "e.bat"};
  for (std::int16_t k = 1; k <= 5; ++k) {
    menu.rt.current_directory = "C:\\Work";
    menu.Hover(k);
    menu.ClickOn(k);
    ASSERT_EQ(menu.rt.started.size(), static_cast<std::size_t>(k));
    EXPECT_EQ(menu.rt.started.back(), (Started{expected[k - 1], "C:\\Disc", 'C'}));
  }
  EXPECT_TRUE(menu.rt.messages.empty());
}

TEST(Activation, ApplicationDirectoryOnAnotherDriveIsMadeCurrentWithItsDrive) {
  TestMenu menu;
  menu.rt.app_path = "E:\\Disc";
  menu.rt.drives = {'C', 'E'};
  menu.rt.directories = {"C:\\Work", "E:\\Disc"};
  menu.rt.current_directory = "C:\\Work";
  ASSERT_TRUE(menu.Start());
  menu.Hover(3);
  menu.ClickOn(3);
  EXPECT_EQ(menu.rt.started, (std::vector<Started>{{BuiltInTag(3), "E:\\Disc", 'E'}}));
}

TEST(Activation, ApplicationDirectoryAtADriveRoot) {
  TestMenu menu;
  menu.rt.app_path = "D:\\";
  menu.rt.drives = {'C', 'D'};
  menu.rt.directories = {"D:\\"};
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.ClickOn(1);
  EXPECT_EQ(menu.rt.started, (std::vector<Started>{{BuiltInTag(1), "D:\\", 'D'}}));
}

TEST(Activation, PathWithoutDriveLetterChangesOnlyTheDirectory) {
  TestMenu menu;
  menu.rt.app_path = "/media/disc";
  menu.rt.separator = '/';
  menu.rt.drives = {};  // any drive change would fail
  menu.rt.directories = {"/media/disc"};
  ASSERT_TRUE(menu.Start());
  menu.Hover(2);
  menu.ClickOn(2);
  EXPECT_EQ(menu.rt.started, (std::vector<Started>{{BuiltInTag(2), "/media/disc", 'C'}}));
}

TEST(Activation, FailingDriveOrDirectoryChangeIsSkippedAndTheStartStillHappens) {
  const struct {
    const char* name;
    std::set<char> drives;
    std::set<std::string> directories;
    Started expected;
  } cases[] = {
      {"drive missing", {'C'}, {"C:\\Work", "E:\\Disc"}, {BuiltInTag(4), "E:\\Disc", 'C'}},
      {"directory missing", {'C', 'E'}, {"C:\\Work"}, {BuiltInTag(4), "C:\\Work", 'E'}},
      {"both missing", {'C'}, {"C:\\Work"}, {BuiltInTag(4), "C:\\Work", 'C'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestMenu menu;
    menu.rt.app_path = "E:\\Disc";
    menu.rt.drives = c.drives;
    menu.rt.directories = c.directories;
    menu.rt.current_directory = "C:\\Work";
    ASSERT_TRUE(menu.Start());
    menu.Hover(4);
    menu.ClickOn(4);
    EXPECT_EQ(menu.rt.started, std::vector<Started>{c.expected});
    EXPECT_TRUE(menu.rt.messages.empty());
    ExpectOpenWithHighlight(menu, 4);
  }
}

TEST(Activation, CommandThatCannotStartShowsOneMessageAndTheMenuStaysOpen) {
  TestMenu menu;
  menu.rt.files["C:\\Disc\\options.ini"].bytes = "My Disc\r\nmissing\\setup.exe /quiet\r\n";
  menu.rt.can_start = [](const std::string&) { return false; };
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.ClickOn(1);
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_EQ(menu.rt.messages, (std::vector<MemoryProvider::Message>{
                                  {"The file missing\\setup.exe /quiet could not be found.", "Tarvelin"}}));
  ExpectOpenWithHighlight(menu, 1);
  // The menu goes on working: another entry starts once it can.
  menu.rt.can_start = [](const std::string&) { return true; };
  menu.Hover(2);
  menu.ClickOn(2);
  EXPECT_EQ(menu.rt.started.size(), 1u);
  EXPECT_EQ(menu.rt.messages.size(), 1u);
}

// A tap from elsewhere onto an entry whose command cannot start: the movement, the press and the
// release come together, and the press and release wait in the movement handler's pump while the
// box is shown but not yet drawn. The message asks over the entry lit, and it stays lit after.
TEST(Activation, TapThatBringsTheMessageShowsItsEntryLitMeanwhile) {
  for (const std::int16_t from : {std::int16_t{0}, std::int16_t{3}}) {
    SCOPED_TRACE(from ? "from entry 3" : "from the bare window");
    TestMenu menu;
    menu.rt.can_start = [](const std::string&) { return false; };
    ASSERT_TRUE(menu.Start());
    if (from) menu.Hover(from);
    menu.rt.on_pump = [&] {
      menu.rt.router().Post(Press(CentreOf(1)));
      menu.rt.router().Post(Release(CentreOf(1)));
      menu.rt.on_pump = nullptr;
    };
    ::testing::AssertionResult under_message = ::testing::AssertionFailure() << "no message showed";
    menu.rt.on_message = [&] { under_message = ScreenShows(menu.rt, 1); };
    menu.Send(Move(CentreOf(1)));
    EXPECT_EQ(menu.rt.messages.size(), 1u);
    EXPECT_TRUE(under_message) << "under the message";
    ExpectOpenWithHighlight(menu, 1);
  }
}

TEST(Activation, EmptyCommandShowsTheMessageWithNothingBetween) {
  TestMenu menu;
  menu.rt.files["C:\\Disc\\options.ini"].bytes = "T\r\n\r\n";
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.ClickOn(1);
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_EQ(menu.rt.messages,
            (std::vector<MemoryProvider::Message>{{"The file  could not be found.", "Tarvelin"}}));
  ExpectOpenWithHighlight(menu, 1);
}

TEST(Activation, ExitButtonClosesWithoutStartingAnything) {
  TestMenu menu;
  menu.rt.can_start = [](const std::string&) { return false; };
  ASSERT_TRUE(menu.Start());
  menu.Hover(8);
  menu.ClickOn(8);
  EXPECT_FALSE(menu.rt.shown);
  EXPECT_TRUE(menu.rt.form().unloaded);
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_TRUE(menu.rt.messages.empty());
  EXPECT_EQ(menu.rt.current_directory, "C:\\");  // not even the directory was changed
}

TEST(Activation, ClickWithNothingHighlightedDoesNothing) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  for (std::int16_t k : kHotSpotIndices) menu.ClickOn(k);  // hot spots, no box over them
  menu.Click(kGap);
  menu.menu.picDisplay_Click();  // even if a click did reach the box's handler
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_TRUE(menu.rt.messages.empty());
  EXPECT_TRUE(menu.rt.shown);
  EXPECT_EQ(menu.rt.current_directory, "C:\\");
}

TEST(Activation, ClickOffTheShownBoxDoesNothing) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(2);
  menu.ClickOn(4);        // a hot spot that is not highlighted
  menu.Click(kGap);       // the bare window
  menu.Click({479, 0});   // a corner
  menu.Send(Press(CentreOf(2)));
  menu.Send(Release(kGap));  // pressed on the box, released off it
  menu.Send(Press(kGap));
  menu.Send(Release(CentreOf(2)));  // pressed off the box, released on it
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_TRUE(menu.rt.messages.empty());
  ExpectOpenWithHighlight(menu, 2);
}

TEST(Activation, SecondPressOfADoubleClickStartsNothing) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(5);
  const Point p = CentreOf(5);
  menu.Send(Press(p, 1));
  menu.Send(Release(p));
  menu.Send(Press(p, 2));
  menu.Send(Release(p));
  EXPECT_EQ(menu.rt.started.size(), 1u);
  // Two separate clicks start it twice.
  menu.ClickOn(5);
  menu.ClickOn(5);
  EXPECT_EQ(menu.rt.started.size(), 3u);
}

// A tap (touch, pen, a remote tool, a quick hand) brings the movement onto an entry with the
// press and the release. They arrive while that movement's handler lets pending events run, first
// with the old highlight hidden and then with the new box shown but not yet drawn; either way the
// tap is a click on the entry it landed on.
TEST(Activation, TapFromALitEntryOntoAnotherStartsIt) {
  const struct {
    const char* name;
    int pump;  // which pump of the movement's handler the press and release arrive in
    std::int16_t from, to;
  } cases[] = {
      {"with the old highlight hidden", 1, 1, 3},
      {"with the new box not yet drawn", 2, 1, 3},
      {"onto the entry below", 1, 4, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestMenu menu;
    ASSERT_TRUE(menu.Start());
    menu.Hover(c.from);
    int pumps = 0;
    menu.rt.on_pump = [&] {
      if (++pumps != c.pump) return;
      menu.rt.router().Post(Press(CentreOf(c.to)));
      menu.rt.router().Post(Release(CentreOf(c.to)));
    };
    menu.Send(Move(CentreOf(c.to)));
    EXPECT_EQ(menu.rt.started, (std::vector<Started>{{BuiltInTag(c.to), "C:\\Disc", 'C'}}));
    ExpectOpenWithHighlight(menu, c.to);
  }
}

TEST(Activation, TapOntoTheExitButtonClosesTheMenu) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(5);
  menu.rt.on_pump = [&] {
    menu.rt.router().Post(Press(CentreOf(8)));
    menu.rt.router().Post(Release(CentreOf(8)));
    menu.rt.on_pump = nullptr;
  };
  menu.Send(Move(CentreOf(8)));
  EXPECT_TRUE(menu.rt.form().unloaded);
  EXPECT_TRUE(menu.rt.started.empty());
}

TEST(Keys, EscapeClosesTheMenu) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(3);
  menu.Send(Key(27));
  EXPECT_FALSE(menu.rt.shown);
  EXPECT_TRUE(menu.rt.form().unloaded);
  EXPECT_TRUE(menu.rt.started.empty());
}

TEST(Keys, OtherCharacterKeysDoNothing) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(3);
  const int pumps = menu.rt.pumps;
  for (const int code : std::initializer_list<int>{13, 'a', ' ', 'q', 0, 26, 28, 127, 255, -27, 27 + 256})
    menu.Send(Key(static_cast<char32_t>(code)));
  EXPECT_EQ(menu.rt.pumps, pumps);
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_TRUE(menu.rt.messages.empty());
  ExpectOpenWithHighlight(menu, 3);
}

TEST(Keys, RunEndsWithStatusZeroWhenEscapeIsPressed) {
  TestMenu menu;
  menu.rt.script = {Move(CentreOf(1)), Key('a'), Key(13), Key(27), Move(CentreOf(2)), Press(CentreOf(2)),
                    Release(CentreOf(2))};
  EXPECT_EQ(menu.rt.Run(menu.handlers), 0);
  EXPECT_FALSE(menu.rt.shown);
  EXPECT_EQ(menu.rt.script.size(), 3u);  // the events after Escape were never taken
  EXPECT_TRUE(menu.rt.started.empty());
}

TEST(Keys, RunEndsWithStatusZeroWhenTheExitButtonIsClicked) {
  TestMenu menu;
  menu.rt.script = {Move(CentreOf(8)), Press(CentreOf(8)), Release(CentreOf(8))};
  EXPECT_EQ(menu.rt.Run(menu.handlers), 0);
  EXPECT_FALSE(menu.rt.shown);
}

TEST(Keys, NothingRunsAfterTheMenuIsClosed) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.handlers.calls.clear();
  menu.rt.router().Post(Key(27));
  menu.rt.router().Post(Move(CentreOf(2)));
  menu.rt.router().Post(Press(CentreOf(1)));
  menu.Send(Release(CentreOf(1)));
  menu.Send(Move(CentreOf(4)));
  menu.Send(Key(27));
  EXPECT_EQ(menu.handlers.calls, std::vector<std::string>{"Form_KeyPress 27"});
  EXPECT_TRUE(menu.rt.started.empty());
  EXPECT_FALSE(menu.rt.router().HasPending());
}

TEST(Keys, EscapeArrivingInsideAHandlerStopsEverythingAfterIt) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.rt.on_pump = [&] {
    menu.rt.router().Post(Key(27));
    menu.rt.router().Post(Move(CentreOf(4)));
  };
  menu.Hover(1);
  EXPECT_EQ(menu.handlers.calls, (std::vector<std::string>{"imgHover_MouseMove 1", "Form_KeyPress 27"}));
  EXPECT_FALSE(menu.rt.shown);
  EXPECT_FALSE(menu.rt.router().HasPending());
}

}  // namespace
}  // namespace tarvelin::testing
