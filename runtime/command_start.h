#pragma once

// The one rule by which a command line from the menu's options starts, on every system: the
// program is looked for on the medium first, then by the system's own search, and what is no
// program goes to the desktop's opener. Each system answers the rule's few questions through
// CommandSystem and keeps only its system calls. Text is UTF-8 until the system call.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

// What became of a start.
struct StartResult {
  enum class Outcome {
    Started,
    Declined,  // the user said no when the system asked for consent (administrator rights)
    Failed,
  };
  Outcome outcome = Outcome::Failed;
  // Why nothing started, in words for standard error; empty where the system gives none.
  std::string failure{};

  bool Started() const { return outcome == Outcome::Started; }
};

// The outcome of one attempt to run a program.
struct RunAttempt {
  enum class Outcome {
    Started,
    Failed,
    NotAProgram,  // the system would not run it as a program: |target| goes to the opener
    NotFound,     // the system's own search found no program of that name
  };
  Outcome outcome = Outcome::Failed;
  std::string failure{};  // Failed: why
  std::string target{};   // NotAProgram: what the opener is given
};

// The arguments after a program name: as written, from their first character that is no blank (a
// Windows program reads them so), and as the words a program is given (SplitArguments).
struct Arguments {
  std::string_view text;
  std::vector<std::string> words;
};

// What the rule asks of a system.
class CommandSystem {
 public:
  virtual ~CommandSystem() = default;

  // The file a program name of the command names on the medium (relative names from the menu's
  // folder), or a folder when |whole_command| (the name is all the command); nothing otherwise.
  struct Found {
    std::string path;
    bool folder = false;
  };
  virtual std::optional<Found> OnMedium(std::string_view name, bool whole_command) = 0;
  // Runs the program found on the medium at |path|, |name| as the command wrote it, with the
  // |arguments| after it.
  virtual RunAttempt RunFound(const std::string& path, std::string_view name, const Arguments& arguments) = 0;
  // Runs the program the system's own search finds for |name|, the first word of |command_line|.
  virtual RunAttempt RunSearched(std::string_view name, const Arguments& arguments, std::string_view command_line) = 0;
  // Hands a document, folder or link, with its arguments, to the desktop's opener.
  virtual StartResult Open(const std::string& target, std::string_view arguments) = 0;
  // The file or folder a name stands for wherever the system looks (the current directory);
  // nothing when there is none.
  virtual std::optional<std::string> Existing(std::string_view name) = 0;
};

// Starts a command line by the rule, without waiting:
//  - nothing starts for a command with a NUL byte, or with no program name;
//  - an http:, https: or mailto: link goes to the opener;
//  - each way the program name may end (ProgramCandidates, shortest first) is looked for on the
//    medium, and the first found is the program, the rest of the line its arguments: run, or
//    given to the opener when it is a folder or no program the system runs;
//  - with none of them on the medium, the system's own search runs the first word;
//  - where that finds no program, the first name that stands for a file or folder goes to the
//    opener.
StartResult StartCommand(std::string_view command_line, CommandSystem& system);

}  // namespace tarvelin
