#include "runtime/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvelin {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

void ExpectSplits(const std::vector<SplitCase>& cases) {
  for (const SplitCase& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << "command line: [" << c.line << "]";
}

TEST(SplitCommandLine, BlankLinesHaveNoWords) {
  ExpectSplits({{"", {}}, {" ", {}}, {" \t \t", {}}});
}

TEST(SplitCommandLine, SpacesAndTabsSeparate) {
  ExpectSplits({
      {"prog", {"prog"}},
      {"  \tprog a", {"prog", "a"}},
      {"prog\ta  b\t\tc ", {"prog", "a", "b", "c"}},
      {"prog a\r\nb", {"prog", "a\r\nb"}},
  });
}

TEST(SplitCommandLine, ProgramNameIsTakenLiterally) {
  ExpectSplits({
      {R"(guide\guide.exe /s)", {R"(guide\guide.exe)", "/s"}},
      {R"("my tools\setup" arg)", {R"(my tools\setup)", "arg"}},
      {R"("C:\dir\" x)", {R"(C:\dir\)", "x"}},
      {R"("prog"x y)", {"prog", "x", "y"}},
      {R"("my prog a)", {"my prog a"}},
      {R"(pro"g a" b)", {R"(pro"g)", "a b"}},
      {R"("" a)", {"", "a"}},
      {R"(\\server\share\prog)", {R"(\\server\share\prog)"}},
  });
}

TEST(SplitCommandLine, QuotesGroupArguments) {
  ExpectSplits({
      {R"(p "two words" three)", {"p", "two words", "three"}},
      {R"(p a"b c"d)", {"p", "ab cd"}},
      {R"(p "tab	inside")", {"p", "tab\tinside"}},
      {R"(p "")", {"p", ""}},
      {R"(p "" "")", {"p", "", ""}},
      {R"(p "a""b")", {"p", R"(a"b)"}},
      {R"(p "a""b c" d)", {"p", R"(a"b c)", "d"}},
      {R"(p """")", {"p", R"(")"}},
      {R"(p "abc def)", {"p", "abc def"}},
      {R"(p 'a b')", {"p", "'a", "b'"}},
  });
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeQuotes) {
  ExpectSplits({
      {R"(p a\b \\server\share\)", {"p", R"(a\b)", R"(\\server\share\)"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\"b c")", {"p", R"(a\b c)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p a\\\\"b")", {"p", R"(a\\b)"}},
      {R"(p "c:\dir\\" x)", {"p", R"(c:\dir\)", "x"}},
      {R"(p "c:\dir\" x)", {"p", R"(c:\dir" x)"}},
      {R"(p \)", {"p", R"(\)"}},
  });
}

TEST(SplitCommandLine, ShellCharactersAndUtf8ArePlainText) {
  ExpectSplits({
      {"p $HOME ; | `echo hi` * > out & $(rm -rf x)",
       {"p", "$HOME", ";", "|", "`echo", "hi`", "*", ">", "out", "&", "$(rm", "-rf", "x)"}},
      {"p \"h\xC3\xA9llo w\xC3\xB6rld\" \xE2\x82\xAC", {"p", "h\xC3\xA9llo w\xC3\xB6rld", "\xE2\x82\xAC"}},
  });
}

// Each candidate as "program|arguments".
std::vector<std::string> Candidates(std::string_view line) {
  std::vector<std::string> out;
  for (const ProgramCandidate& c : ProgramCandidates(line)) out.push_back(c.program + "|" + std::string(c.arguments));
  return out;
}

TEST(ProgramCandidates, EndAtEachBlankShortestFirst) {
  EXPECT_EQ(Candidates(R"(Python 3\python-setup.exe /quiet)"),
            (std::vector<std::string>{R"(Python| 3\python-setup.exe /quiet)", R"(Python 3\python-setup.exe| /quiet)",
                                      R"(Python 3\python-setup.exe /quiet|)"}));
  // Runs of blanks, tabs, blanks before and after: no candidate ends in or begins with a blank.
  EXPECT_EQ(Candidates(" \ta  b\tc  "), (std::vector<std::string>{"a|  b\tc  ", "a  b|\tc  ", "a  b\tc|  "}));
  EXPECT_EQ(Candidates("setup"), std::vector<std::string>{"setup|"});
}

TEST(ProgramCandidates, QuotedNameIsTheOnlyCandidate) {
  EXPECT_EQ(Candidates(R"("Stand In\setup.exe" /q "a b")"), std::vector<std::string>{R"(Stand In\setup.exe| /q "a b")"});
  EXPECT_EQ(Candidates(R"("never closed a b)"), std::vector<std::string>{"never closed a b|"});
  EXPECT_EQ(Candidates(R"("" x)"), std::vector<std::string>{"| x"});
}

TEST(ProgramCandidates, BlankLineHasNone) {
  EXPECT_TRUE(ProgramCandidates("").empty());
  EXPECT_TRUE(ProgramCandidates(" \t ").empty());
}

TEST(ProgramName, IsTheFirstCandidateWithItsArgumentsFromTheFirstNonBlank) {
  auto name = [](std::string_view line) {
    const ProgramCandidate c = ProgramName(line);
    return c.program + "|" + std::string(c.arguments);
  };
  EXPECT_EQ(name("   setup.exe \t a  b "), "setup.exe|a  b ");
  EXPECT_EQ(name(R"("a b"c d)"), "a b|c d");
  EXPECT_EQ(name(R"("never closed.exe arg)"), "never closed.exe arg|");
  EXPECT_EQ(name(R"("" x)"), "|x");
  EXPECT_EQ(name(" \t "), "|");
}

TEST(SplitArguments, SplitsTheRestLikeTheArgumentsOfACommandLine) {
  EXPECT_EQ(SplitArguments(R"( /q "a b" c\"d "")"), (std::vector<std::string>{"/q", "a b", R"(c"d)", ""}));
  EXPECT_TRUE(SplitArguments("  \t").empty());
}

}  // namespace
}  // namespace tarvelin
