#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace tarvelin {

// The most of a text file that is ever read: six fields of a sane size fit many times over, and a
// huge or endless file (a 100 MB line, /dev/zero) costs no more than this.
inline constexpr std::size_t kMaxTextFileBytes = 256 * 1024;
// A field longer than this ends the reading as a read error.
inline constexpr std::size_t kMaxFieldBytes = 32 * 1024;

// A text file opened for sequential input: the end-of-file test and the read of the next field.
//
// How a field is read, the way the classic sequential-input statement reads a file of fields
// separated by commas and line ends:
//  - spaces and tabs before a field are skipped;
//  - a field that starts with a double quote runs to the next double quote, commas and line ends
//    included; the quotes are not part of it; a quote never closed takes the rest of the file;
//    after the closing quote, spaces and tabs are skipped, then one comma or one line end is
//    consumed if it is there; anything else starts the next field ("abc"def is two fields);
//  - an unquoted field runs to the next comma or line end, which is consumed; trailing spaces are
//    dropped, tabs are kept; a blank line is an empty field;
//  - a line end is CR LF, CR alone or LF alone;
//  - a read that finds only spaces and tabs before the end of the file gives an empty field;
//  - a field over kMaxFieldBytes, or one that runs past the part of the file that was read, is a
//    read error;
//  - NUL and every other byte are ordinary characters.
class TextInput {
 public:
  // |text| is the file's decoded content; |complete| is false when the file goes on past it.
  TextInput(std::string text, bool complete);

  // True when nothing is left to read.
  bool AtEnd() const;
  // The next field, or nothing on a read error.
  std::optional<std::string> ReadField();
  // Has every read error said, in words, to |report| ("a field is longer than 32768 bytes").
  void ReportErrorsTo(std::function<void(const std::string& why)> report) { report_ = std::move(report); }

 private:
  std::optional<std::string> ReadError(std::size_t start, std::size_t end);
  bool AtLineEnd() const;
  void SkipLineEnd();
  void SkipBlanks();

  std::string text_;
  std::size_t pos_ = 0;
  bool complete_;
  std::function<void(const std::string&)> report_;
};

// A text file opened for input from its first bytes, as every reader of options.ini opens it: at
// most kMaxTextFileBytes of them count, decoded by DecodeTextFile with the platform's code page.
// |bytes| is what was read, at least one byte past the limit when the file goes on that far;
// |read_to_end| is false when the reading stopped at a fault, so that the file may go on.
TextInput TextFileInput(std::string_view bytes, bool read_to_end, CodePageDecoder code_page);

}  // namespace tarvelin
