#pragma once

#include <string>

namespace tarvelin {

// How a medium's entries fared.
struct EntriesReport {
  int starting_nothing_anywhere = 0;  // entries that start nothing on Windows and nothing on Linux
};

// Reads options.ini in |folder| as the menu reads it, the built-in commands standing for the lines
// it leaves out, and prints for each of the five entries what it starts on Windows and on Linux by
// the programs' own rule, with a warning on standard error for each system an entry starts nothing
// on.
EntriesReport ReportEntries(const std::string& folder);

}  // namespace tarvelin
