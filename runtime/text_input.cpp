#include "runtime/text_input.h"

#include <string>

namespace tarvelin {

TextInput::TextInput(std::string text, bool complete) : text_(std::move(text)), complete_(complete) {}

bool TextInput::AtEnd() const { return complete_ && pos_ >= text_.size(); }

bool TextInput::AtLineEnd() const { return pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n'); }

void TextInput::SkipLineEnd() {
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  else if (pos_ < text_.size() && text_[pos_] == '\n') { ++pos_; return; }
  if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

void TextInput::SkipBlanks() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
}

// A field from |start| that ends at |end|, too long or cut short where the reading stopped.
std::optional<std::string> TextInput::ReadError(std::size_t start, std::size_t end) {
  if (report_) {
    if (end - start > kMaxFieldBytes)
      report_("a field is longer than the " + std::to_string(kMaxFieldBytes) + " bytes a field can have");
    else
      report_("a field runs past the first " + std::to_string(kMaxTextFileBytes) + " bytes, the most that is read");
  }
  return std::nullopt;
}

std::optional<std::string> TextInput::ReadField() {
  SkipBlanks();
  // Running into the end of what was read, when the file goes on, means the field was cut.
  auto cut_short = [&](std::size_t end) { return !complete_ && end >= text_.size(); };

  if (pos_ < text_.size() && text_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    std::size_t end = text_.find('"', start);
    if (end == std::string::npos) end = text_.size();
    if (cut_short(end) || end - start > kMaxFieldBytes) return ReadError(start, end);
    std::string value = text_.substr(start, end - start);
    pos_ = end < text_.size() ? end + 1 : end;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
    else if (AtLineEnd()) SkipLineEnd();
    else if (cut_short(pos_)) return ReadError(pos_, pos_);
    return value;
  }

  std::size_t end = text_.find_first_of(",\r\n", pos_);
  if (end == std::string::npos) end = text_.size();
  if (cut_short(end) || end - pos_ > kMaxFieldBytes) return ReadError(pos_, end);
  std::size_t last = end;
  while (last > pos_ && text_[last - 1] == ' ') --last;
  std::string value = text_.substr(pos_, last - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
  else SkipLineEnd();
  return value;
}

TextInput TextFileInput(std::string_view bytes, bool read_to_end, CodePageDecoder code_page) {
  const bool complete = read_to_end && bytes.size() <= kMaxTextFileBytes;
  const std::string_view read = bytes.substr(0, kMaxTextFileBytes);
  return TextInput(DecodeTextFile(read, complete, code_page), complete);
}

}  // namespace tarvelin
