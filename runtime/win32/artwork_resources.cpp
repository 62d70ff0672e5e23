#include "runtime/win32/artwork_resources.h"

#include <algorithm>
#include <optional>

#include "runtime/little_endian.h"
#include "runtime/win32/resource.h"
#include "runtime/win32/wide_text.h"

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
  // Others may keep the file open, even for writing: it is only read here, once.
  const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    return {ArtFile::State::Refused, {}, "cannot be opened (error " + std::to_string(error) + ")"};
  }
  ArtFile result{ArtFile::State::Refused, {}, "not a file on a disk"};
  LARGE_INTEGER size{};
  // A device or pipe named like the file could block or never end.
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxArtFileBytes) {
      result.fault = "larger than the " + std::to_string(kMaxArtFileBytes) + " bytes a picture of the menu can take";
    } else {
      result.bytes.resize(static_cast<std::size_t>(size.QuadPart));
      DWORD got = 0;
      if (ReadFile(file, result.bytes.data(), static_cast<DWORD>(result.bytes.size()), &got, nullptr) &&
          got == result.bytes.size())
        result.state = ArtFile::State::Read;
      else
        result.fault = "cannot be read";
    }
  }
  CloseHandle(file);
  if (result.state != ArtFile::State::Read) result.bytes.clear();
  return result;
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
