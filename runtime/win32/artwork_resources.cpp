#include "runtime/win32/artwork_resources.h"

#include <algorithm>
#include <optional>

#include "runtime/win32/resource.h"

namespace tarvelin {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::optional<std::vector<std::uint8_t>> BitmapResource(HMODULE module, int id) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return std::nullopt;
  return BitmapFileFromDib({static_cast<const std::uint8_t*>(data), size});
}

}  // namespace

std::vector<std::uint8_t> BitmapFileFromDib(std::span<const std::uint8_t> dib) {
  if (dib.size() < kInfoHeaderSize) return {};
  const std::uint64_t header_size = U32(dib, 0);
  const std::uint32_t bits = dib[14] | (dib[15] << 8);
  const std::uint32_t compression = U32(dib, 16);
  const std::uint64_t colours_used = U32(dib, 32);
  std::uint64_t table = colours_used != 0 ? colours_used * 4 : bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0;
  if (header_size == kInfoHeaderSize && compression == kBitFields) table += 12;  // the three colour masks

  std::vector<std::uint8_t> file(kFileHeaderSize + dib.size());
  file[0] = 'B';
  file[1] = 'M';
  PutU32(file, 2, file.size());
  // An offset past the end is left for the decoder to refuse.
  PutU32(file, 10, std::min<std::uint64_t>(kFileHeaderSize + header_size + table, UINT32_MAX));
  std::copy(dib.begin(), dib.end(), file.begin() + kFileHeaderSize);
  return file;
}

Artwork LoadArtwork(HMODULE module) {
  const auto background = BitmapResource(module, IDB_BACKGROUND);
  const auto highlight = BitmapResource(module, IDB_HIGHLIGHT);
  if (background && highlight)
    if (std::optional<Artwork> art = DecodeArtwork(*background, *highlight)) return std::move(*art);
  return BuiltInArtwork();
}

}  // namespace tarvelin
