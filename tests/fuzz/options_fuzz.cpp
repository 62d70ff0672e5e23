// The options file as the menu reads it: the file's bytes decoded (byte-order marks, UTF-8, else the
// Windows-1252 code page), then up to six fields, from a file read whole and from one cut off at
// the most the menu reads.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/text.h"
#include "runtime/text_input.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Valid UTF-8; with |cut_end_allowed|, the last character may be cut short by the end.
bool IsUtf8(std::string_view s, bool cut_end_allowed) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k == s.size()) return cut_end_allowed;
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Reads the way Form_Load does: the title, then five commands, asking for the end before each.
void ReadLikeFormLoad(const std::string& text, bool complete) {
  tarvelin::TextInput input(text, complete);
  for (int field = 0; field < 6 && !input.AtEnd(); ++field) {
    const std::optional<std::string> value = input.ReadField();
    if (!value) return;
    Check(value->size() <= tarvelin::kMaxFieldBytes);
    // Fields end only at ASCII bytes and never run into a cut end, so no character is ever split.
    Check(IsUtf8(*value, false));
  }
}

// Every read moves on, so reading to the end of a whole file takes at most one read per byte.
void ReadToEnd(const std::string& text) {
  tarvelin::TextInput input(text, true);
  std::size_t reads = 0;
  while (!input.AtEnd() && input.ReadField()) Check(++reads <= text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const bool complete : {true, false}) {
    const std::string text = tarvelin::DecodeTextFile(bytes, complete, tarvelin::Windows1252ToUtf8);
    Check(IsUtf8(text, !complete) && text.size() <= 3 * size);
    ReadLikeFormLoad(text, complete);
    if (complete) ReadToEnd(text);
  }
  return 0;
}
