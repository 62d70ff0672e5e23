#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

// The words of a command line, split by the rules of the Windows command line (the program name as
// the system finds it, the arguments as the Microsoft C runtime splits them since 2008), so that
// one options.ini means the same on every system:
//  - spaces and tabs are the only blanks; every other character, line ends included, is part of a
//    word. Blanks before the program name are skipped, as the system does when it starts a program;
//  - the program name, the first word, is taken literally: when it starts with a double quote it
//    runs to the next double quote or to the end of the line, without the quotes; otherwise it runs
//    to the next blank. Backslashes in it are plain characters. Whatever follows its closing quote
//    directly begins the next word ("prog"x gives prog and x);
//  - the arguments are separated by runs of blanks. A double quote begins or ends a quoted part of a
//    word, inside which blanks are plain characters (a"b c"d is the one word ab cd); two double
//    quotes inside a quoted part give one literal double quote and the part goes on;
//  - 2n backslashes followed by a double quote give n backslashes, and the quote begins or ends a
//    quoted part; 2n+1 backslashes followed by a double quote give n backslashes and a literal
//    double quote; backslashes followed by anything else are plain characters;
//  - a quoted part never closed runs to the end of the line; an argument made only of quotes is an
//    empty word ("" gives one empty argument);
//  - an empty or blank line has no words.
// Every character with a meaning is ASCII, so UTF-8 text passes through unchanged.
std::vector<std::string> SplitCommandLine(std::string_view line);

// One way a command line's program name may end, with the rest of the line as its arguments.
struct ProgramCandidate {
  std::string program;
  std::string_view arguments;  // a view into the line given
};

// The program names a command line may mean, shortest first, as Windows tries them for a name
// without quotes: after the blanks before it, the name ends at a blank, at each blank after that,
// or at the last character that is no blank ("Tools 2\setup.exe /q" may be the program "Tools",
// "Tools 2\setup.exe" or "Tools 2\setup.exe /q"). A name in double quotes is the one candidate.
// A blank line has none.
std::vector<ProgramCandidate> ProgramCandidates(std::string_view line);

// The program name as the system finds it, the first of ProgramCandidates, and its arguments from
// their first character that is no blank. A blank line gives an empty name.
ProgramCandidate ProgramName(std::string_view line);

// |text| from its first character that is no blank (a space or a tab).
std::string_view SkipBlanks(std::string_view text);

// The arguments after a program name, split by the rules of SplitCommandLine.
std::vector<std::string> SplitArguments(std::string_view arguments);

// True when a program name is a link the desktop opens: http:, https: or mailto:, in any case.
bool IsDesktopLink(std::string_view program);

}  // namespace tarvelin
