// A start that fails only after its click has returned (a desktop's opener refusing a document):
// the verdict arrives as an event and gives the same one message for that command.

#include "menu_harness.h"

namespace tarvelin::testing {
namespace {

InputEvent LateFailure(const std::string& command) {
  return {.type = InputEvent::Type::StartFailed, .command = command};
}

std::vector<std::string> Prompts(const MemoryProvider& rt) {
  std::vector<std::string> prompts;
  for (const MemoryProvider::Message& message : rt.messages) {
    EXPECT_EQ(message.title, "Tarvelin");
    prompts.push_back(message.prompt);
  }
  return prompts;
}

TEST(LateStartFailure, ShowsTheMessageForThatCommandWhereverThePointerIsNow) {
  TestMenu menu;
  menu.rt.files["C:\\Disc\\options.ini"].bytes = "Disc\r\ndocs\\guide book.pdf\r\nsetup.exe\r\n";
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.ClickOn(1);
  ASSERT_EQ(menu.rt.started.size(), 1u);
  EXPECT_TRUE(menu.rt.messages.empty());

  // Meanwhile the user has gone on to entry 2.
  menu.Hover(2);
  menu.Send(LateFailure("docs\\guide book.pdf"));
  EXPECT_EQ(Prompts(menu.rt), std::vector<std::string>{"The file docs\\guide book.pdf could not be found."});
  EXPECT_EQ(menu.active(), 2);
  EXPECT_TRUE(menu.rt.picDisplay().Visible());
  EXPECT_TRUE(ScreenShowsIn(menu.rt, 2, {0, 0, 480, 360}));
  EXPECT_EQ(menu.rt.started.size(), 1u) << "a failure starts nothing";
}

TEST(LateStartFailure, EachClickStartsAgainAndEachRefusalGivesItsMessage) {
  TestMenu menu;
  menu.rt.files["C:\\Disc\\options.ini"].bytes = "Disc\r\nguide.pdf\r\n";
  ASSERT_TRUE(menu.Start());
  menu.Hover(1);
  menu.ClickOn(1);
  menu.ClickOn(1);
  EXPECT_EQ(menu.rt.started.size(), 2u);
  menu.Send(LateFailure("guide.pdf"));
  menu.Send(LateFailure("guide.pdf"));
  EXPECT_EQ(Prompts(menu.rt), std::vector<std::string>(2, "The file guide.pdf could not be found."));
  EXPECT_TRUE(menu.rt.shown);
}

TEST(LateStartFailure, ArrivingDuringAPumpRunsOnceInOrderWithTheOtherEvents) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  bool posted = false;
  menu.rt.on_pump = [&] {
    if (posted) return;
    posted = true;
    menu.rt.router().Post(LateFailure("guide.pdf"));
    menu.rt.router().Post(Move(CentreOf(3)));
  };
  menu.Hover(1);
  EXPECT_EQ(menu.handlers.calls,
            (std::vector<std::string>{"imgHover_MouseMove 1", "StartFailed guide.pdf", "imgHover_MouseMove 3"}));
  EXPECT_EQ(Prompts(menu.rt), std::vector<std::string>{"The file guide.pdf could not be found."});
  EXPECT_EQ(menu.active(), 3);
}

TEST(LateStartFailure, NothingShowsOnceTheMenuIsClosed) {
  TestMenu menu;
  ASSERT_TRUE(menu.Start());
  menu.rt.router().Post(Key(27));
  menu.Send(LateFailure("guide.pdf"));
  EXPECT_TRUE(menu.rt.messages.empty());
  EXPECT_FALSE(menu.rt.shown);
}

}  // namespace
}  // namespace tarvelin::testing
