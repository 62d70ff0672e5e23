#include "runtime/win32/artwork_resources.h"

#include <algorithm>
#include <optional>

#include "runtime/little_endian.h"
#include "runtime/win32/disk_file.h"
#include "runtime/win32/resource.h"

namespace tarvelin {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3;

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
  const std::uint64_t header_size = ReadLe32(dib, 0);
  const std::uint32_t bits = dib[14] | (dib[15] << 8);
  const std::uint32_t compression = ReadLe32(dib, 16);
  const std::uint64_t colours_used = ReadLe32(dib, 32);
  std::uint64_t table = colours_used != 0 ? colours_used * 4 : bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0;
  if (header_size == kInfoHeaderSize && compression == kBitFields) table += 12;  // the three colour masks

  std::vector<std::uint8_t> file(kFileHeaderSize + dib.size());
  file[0] = 'B';
  file[1] = 'M';
  WriteLe32(file, 2, static_cast<std::uint32_t>(file.size()));
  // An offset past the end is left for the decoder to refuse.
  WriteLe32(file, 10, static_cast<std::uint32_t>(std::min<std::uint64_t>(kFileHeaderSize + header_size + table, UINT32_MAX)));
  std::copy(dib.begin(), dib.end(), file.begin() + kFileHeaderSize);
  return file;
}

ArtFile ReadArtFile(const std::string& path) {
  DWORD error = 0;
  const OwnedHandle file = OpenForReading(path, error);
  if (!file) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    return {ArtFile::State::Refused, {}, "cannot be opened (error " + std::to_string(error) + ")"};
  }
  if (!IsDiskFile(file)) return {ArtFile::State::Refused, {}, "not a file on a disk"};
  const auto too_large = [] {
    return ArtFile{ArtFile::State::Refused, {},
                   "larger than the " + std::to_string(kMaxArtFileBytes) + " bytes a picture of the menu can take"};
  };
  // Refused by its size alone, unread, when the system gives the size.
  if (LARGE_INTEGER size{};
      GetFileSizeEx(file.get(), &size) && static_cast<std::uint64_t>(size.QuadPart) > kMaxArtFileBytes)
    return too_large();
  BytesRead read = ReadUpTo(file, kMaxArtFileBytes);
  if (read.read_error) return {ArtFile::State::Refused, {}, "cannot be read"};
  if (read.longer) return too_large();
  return {ArtFile::State::Read, std::move(read.bytes), {}};
}

Artwork LoadArtwork(HMODULE module, const std::string& directory, std::span<const HotSpotDesign> design) {
  // A pair beside the program that cannot be used leaves the menu as it would be without it; a
  // program with a window has nowhere to say why, and tarvelin-art tells the author.
  std::string fault;
  if (std::optional<Artwork> beside = ArtworkInFolder(directory, '\\', ReadArtFile, design, fault))
    return std::move(*beside);
  const auto background = BitmapResource(module, IDB_BACKGROUND);
  const auto highlight = BitmapResource(module, IDB_HIGHLIGHT);
  if (background && highlight) {
    ArtworkFit fit = FitArtwork(*background, "Bitmap 101", *highlight, "Bitmap 102", design);
    if (fit.art) return std::move(*fit.art);
  }
  return BuiltInArtwork();
}

}  // namespace tarvelin
