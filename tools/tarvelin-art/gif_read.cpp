// GIF through giflib: the first picture of the file over its screen, and the number of pictures
// after it, read without decoding them.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "decoders.h"

namespace tarvelin {
namespace {

struct GifSource {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

int Read(GifFileType* gif, GifByteType* out, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const std::size_t taken = std::min(static_cast<std::size_t>(std::max(length, 0)), source->bytes.size() - source->at);
  std::memcpy(out, source->bytes.data() + source->at, taken);
  source->at += taken;
  return static_cast<int>(taken);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

Fault GifFault(int error) {
  const char* text = GifErrorString(error);
  return Fault{text ? text : "unreadable"};
}

// Which colour index is transparent, from the graphics control extension before a picture.
int TransparentIndex(GifFileType* gif, int& transparent) {
  int code = 0;
  GifByteType* data = nullptr;
  if (DGifGetExtension(gif, &code, &data) == GIF_ERROR) return GIF_ERROR;
  if (code == GRAPHICS_EXT_FUNC_CODE && data && data[0] >= 4) {
    GraphicsControlBlock control;
    DGifExtensionToGCB(data[0], data + 1, &control);
    transparent = control.TransparentColor;
  }
  while (data)
    if (DGifGetExtensionNext(gif, &data) == GIF_ERROR) return GIF_ERROR;
  return GIF_OK;
}

// The first picture's colour indices, in rows top first, interlaced or not.
int ReadIndices(GifFileType* gif, std::vector<GifByteType>& indices) {
  const GifImageDesc& frame = gif->Image;
  const std::size_t width = static_cast<std::size_t>(frame.Width), height = static_cast<std::size_t>(frame.Height);
  indices.assign(width * height, 0);
  auto line = [&](std::size_t y) { return DGifGetLine(gif, &indices[y * width], static_cast<int>(width)); };
  if (!frame.Interlace) {
    for (std::size_t y = 0; y < height; ++y)
      if (line(y) == GIF_ERROR) return GIF_ERROR;
    return GIF_OK;
  }
  constexpr std::size_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (std::size_t y = kStart[pass]; y < height; y += kStep[pass])
      if (line(y) == GIF_ERROR) return GIF_ERROR;
  return GIF_OK;
}

int SkipPicture(GifFileType* gif) {
  int code_size = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) return GIF_ERROR;
  while (block)
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return GIF_ERROR;
  return GIF_OK;
}

}  // namespace

Outcome<Raster> DecodeGif(std::span<const std::uint8_t> bytes, const SizeCheck& size_ok) {
  GifSource source{bytes};
  int error = 0;
  const GifFile gif(DGifOpen(&source, Read, &error));
  if (!gif) return GifFault(error);
  if (!size_ok(static_cast<std::size_t>(gif->SWidth), static_cast<std::size_t>(gif->SHeight)))
    return Fault{"the wrong size"};
  Raster raster;
  raster.width = static_cast<std::size_t>(gif->SWidth);
  raster.height = static_cast<std::size_t>(gif->SHeight);
  raster.frames = 0;
  raster.has_alpha = true;  // where the first picture leaves the screen uncovered, or says so
  int transparent = NO_TRANSPARENT_COLOR, later_transparent = NO_TRANSPARENT_COLOR;
  for (GifRecordType record = UNDEFINED_RECORD_TYPE; record != TERMINATE_RECORD_TYPE;) {
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
      // A file that ends after its first picture without the closing mark holds it all.
      if (raster.frames > 0 && source.at == bytes.size()) break;
      return GifFault(gif->Error);
    }
    if (record == EXTENSION_RECORD_TYPE && TransparentIndex(gif.get(), raster.frames == 0 ? transparent : later_transparent) == GIF_ERROR)
      return GifFault(gif->Error);
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return GifFault(gif->Error);
    if (raster.frames++ > 0) {
      if (SkipPicture(gif.get()) == GIF_ERROR) return GifFault(gif->Error);
      continue;
    }
    const GifImageDesc& frame = gif->Image;
    // Larger than the screen it is shown on: not a picture any program makes, and memory asked for.
    if (frame.Width > gif->SWidth || frame.Height > gif->SHeight) return Fault{"a picture larger than its screen"};
    if (frame.Width <= 0 || frame.Height <= 0) return Fault{"a picture of no pixels"};
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours) return Fault{"no colour table"};
    std::vector<GifByteType> indices;
    if (ReadIndices(gif.get(), indices) == GIF_ERROR) return GifFault(gif->Error);
    // A picture's own place on the screen may run past it: what falls outside is not shown.
    raster.rgba.assign(raster.width * raster.height * 4, 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(frame.Height); ++y)
      for (std::size_t x = 0; x < static_cast<std::size_t>(frame.Width); ++x) {
        const std::size_t screen_x = static_cast<std::size_t>(frame.Left) + x;
        const std::size_t screen_y = static_cast<std::size_t>(frame.Top) + y;
        const int index = indices[y * static_cast<std::size_t>(frame.Width) + x];
        if (screen_x >= raster.width || screen_y >= raster.height || index == transparent) continue;
        std::uint8_t* out = &raster.rgba[(screen_y * raster.width + screen_x) * 4];
        if (index < colours->ColorCount) {
          const GifColorType& colour = colours->Colors[index];
          out[0] = colour.Red, out[1] = colour.Green, out[2] = colour.Blue;
        }
        out[3] = 0xFF;
      }
  }
  if (raster.frames == 0) return Fault{"no picture in it"};
  return raster;
}

}  // namespace tarvelin
