#include "picture_file.h"

#include <Magick++.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "runtime/little_endian.h"
#include "tools/common/capped_file.h"

namespace tarvelin {
namespace {

// A picture of the menu's size in any format read is far below this; a larger file is not one.
constexpr std::size_t kMaxPictureFileBytes = 64 * 1024 * 1024;

// How far into a file to look for the start of an SVG drawing.
constexpr std::size_t kVectorSniffBytes = 4096;

struct Format {
  const char* name;  // ImageMagick's name of the format
  std::string_view signature;
};
constexpr Format kFormats[] = {
    {"PNG", {"\x89PNG\r\n\x1a\n", 8}}, {"JPEG", {"\xFF\xD8\xFF", 3}}, {"BMP", {"BM", 2}},
    {"GIF", {"GIF87a", 6}},            {"GIF", {"GIF89a", 6}},        {"TIFF", {"II*\0", 4}},
    {"TIFF", {"MM\0*", 4}},
};

std::string_view Text(std::span<const std::uint8_t> bytes, std::size_t limit) {
  return {reinterpret_cast<const char*>(bytes.data()), std::min(bytes.size(), limit)};
}

// The format by the file's first bytes, never by its name: a file is read only as what it is.
const Format* FormatOf(std::span<const std::uint8_t> bytes) {
  for (const Format& format : kFormats)
    if (Text(bytes, format.signature.size()) == format.signature) return &format;
  return nullptr;
}

bool IsVectorDrawing(std::span<const std::uint8_t> bytes) {
  const std::string_view start = Text(bytes, kVectorSniffBytes);
  return start.starts_with("%PDF") || start.starts_with("%!PS") || start.find("<svg") != std::string_view::npos;
}

std::string SizeText(std::size_t width, std::size_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

std::string Damaged(const std::string& name, const Format& format, const std::string& detail) {
  return name + ": a damaged or cut-off " + format.name + " file, pixels are missing (" + detail + ")";
}

void InitializeMagickOnce() {
  static const bool initialized = (Magick::InitializeMagick("tarvelin-art"), true);
  (void)initialized;
}

using ImageList = std::unique_ptr<MagickCore::Image, decltype(&MagickCore::DestroyImageList)>;
using ImageInfo = std::unique_ptr<MagickCore::ImageInfo, decltype(&MagickCore::DestroyImageInfo)>;
using ExceptionInfo = std::unique_ptr<MagickCore::ExceptionInfo, decltype(&MagickCore::DestroyExceptionInfo)>;

// What the file's headers say, read before any pixel is decoded.
struct Header {
  std::size_t width = 0;   // as stored
  std::size_t height = 0;
  std::size_t frames = 0;
  bool transposed = false;  // the EXIF orientation turns it a quarter, so width and height swap
};

std::uint32_t ReadBe16(std::span<const std::uint8_t> bytes, std::size_t at) { return bytes[at] << 8 | bytes[at + 1]; }
std::uint32_t ReadBe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return ReadBe16(bytes, at) << 16 | ReadBe16(bytes, at + 2);
}

// The size the file's header gives, for a picture the decoder will not look at: PNG, GIF, BMP and
// JPEG.
std::optional<std::pair<std::size_t, std::size_t>> StoredSize(std::span<const std::uint8_t> bytes,
                                                                const Format& format) {
  const std::string_view name = format.name;
  if (name == "PNG" && bytes.size() >= 24) return std::pair{ReadBe32(bytes, 16), ReadBe32(bytes, 20)};
  if (name == "GIF" && bytes.size() >= 10) return std::pair{ReadLe16(bytes, 6), ReadLe16(bytes, 8)};
  if (name == "BMP" && bytes.size() >= 26) {
    const auto height = static_cast<std::int32_t>(ReadLe32(bytes, 22));
    return std::pair{std::size_t{ReadLe32(bytes, 18)}, static_cast<std::size_t>(height < 0 ? -std::int64_t{height} : height)};
  }
  if (name == "JPEG")  // the first start-of-frame segment: C0 to CF but C4, C8 and CC
    for (std::size_t at = 2; at + 9 <= bytes.size() && bytes[at] == 0xFF; at += 2 + ReadBe16(bytes, at + 2)) {
      const std::uint8_t marker = bytes[at + 1];
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
        return std::pair{std::size_t{ReadBe16(bytes, at + 7)}, std::size_t{ReadBe16(bytes, at + 5)}};
    }
  return std::nullopt;
}

// Whether a PNG chunk's stated length runs past the end of the file: the file is cut off, and the
// decoder would first set aside what that length asks for, up to 4 GiB for a few bytes.
bool PngChunkRunsPastTheEnd(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kChunkFrame = 12;  // length, type and CRC around the data
  for (std::size_t at = 8; at + 8 <= bytes.size();) {
    const std::size_t length = ReadBe32(bytes, at);
    if (length > bytes.size() - at - 8 || bytes.size() - at - 8 - length < 4) return true;
    if (Text(bytes.subspan(at + 4), 4) == "IEND") return false;
    at += kChunkFrame + length;
  }
  return false;
}

// A warning that means pixels were lost: the rest are only remarks (an odd colour profile, say).
bool LosesPixels(MagickCore::ExceptionType type) {
  return type == MagickCore::CorruptImageWarning || type >= MagickCore::ErrorException;
}

Outcome<Header> ReadHeader(std::span<const std::uint8_t> bytes, const std::string& name, const Format& format) {
  ImageInfo info(MagickCore::AcquireImageInfo(), MagickCore::DestroyImageInfo);
  MagickCore::CopyMagickString(info->magick, format.name, MaxTextExtent);
  ExceptionInfo exception(MagickCore::AcquireExceptionInfo(), MagickCore::DestroyExceptionInfo);
  const ImageList images(MagickCore::PingBlob(info.get(), bytes.data(), bytes.size(), exception.get()),
                         MagickCore::DestroyImageList);
  if (!images || LosesPixels(exception->severity)) {
    // A picture the decoder will not open (for its size, say) is still measured: a wrong size is
    // the author's first thing to mend; one of the right size fails again as it is decoded.
    if (const auto size = StoredSize(bytes, format)) return Header{size->first, size->second, 1, false};
    return Fault{Damaged(name, format, exception->reason ? exception->reason : "no picture in it")};
  }
  const MagickCore::OrientationType orientation = images->orientation;
  return Header{images->columns, images->rows, MagickCore::GetImageListLength(images.get()),
                orientation == MagickCore::LeftTopOrientation || orientation == MagickCore::RightTopOrientation ||
                    orientation == MagickCore::RightBottomOrientation ||
                    orientation == MagickCore::LeftBottomOrientation};
}

// Where the transparent pixels are, for the author to find them.
struct Transparency {
  std::size_t count = 0;
  int left = 0, top = 0, right = -1, bottom = -1;

  void Add(int x, int y) {
    if (count++ == 0) left = right = x, top = bottom = y;
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
};

// The pixels as 8-bit sRGB over |matte|.
Outcome<Rgb> Colours(Magick::Image& image, const std::string& name, std::optional<std::uint32_t> matte) {
  image.colorSpace(Magick::sRGBColorspace);
  Rgb rgb{static_cast<int>(image.columns()), static_cast<int>(image.rows()), {}};
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(rgb.width) * rgb.height * 4);
  image.write(0, 0, image.columns(), image.rows(), "RGBA", Magick::CharPixel, rgba.data());
  rgb.bytes.resize(rgba.size() / 4 * 3);
  Transparency transparency;
  const std::uint8_t under[3] = {static_cast<std::uint8_t>(matte.value_or(0) >> 16),
                                 static_cast<std::uint8_t>(matte.value_or(0) >> 8),
                                 static_cast<std::uint8_t>(matte.value_or(0))};
  // Without an alpha channel ImageMagick's export gives whatever its pixel cache holds there.
  const bool opaque = !image.matte();
  for (std::size_t i = 0, n = rgba.size() / 4; i < n; ++i) {
    const unsigned alpha = opaque ? 255 : rgba[i * 4 + 3];
    if (alpha != 255) transparency.Add(static_cast<int>(i % rgb.width), static_cast<int>(i / rgb.width));
    for (int c = 0; c < 3; ++c)
      rgb.bytes[i * 3 + c] = static_cast<std::uint8_t>((rgba[i * 4 + c] * alpha + under[c] * (255 - alpha) + 127) / 255);
  }
  if (transparency.count > 0 && !matte)
    return Fault{name + ": " + std::to_string(transparency.count) + " pixels are transparent or partly so, from (" +
                 std::to_string(transparency.left) + ", " + std::to_string(transparency.top) + ") to (" +
                 std::to_string(transparency.right) + ", " + std::to_string(transparency.bottom) +
                 "); the menu has nothing behind them: give --matte COLOUR for what shows through"};
  return rgb;
}

}  // namespace

Outcome<DecodedPicture> DecodePicture(std::span<const std::uint8_t> bytes, const std::string& name, int width,
                                      int height, std::optional<std::uint32_t> matte) {
  const Format* format = FormatOf(bytes);
  if (!format && IsVectorDrawing(bytes))
    return Fault{name + ": a vector drawing, which this tool does not draw; export it as a " + SizeText(width, height) +
                 " PNG"};
  if (!format) return Fault{name + ": not a picture this tool reads (it reads " + kFormatsRead + ")"};
  if (std::string_view(format->name) == "PNG" && PngChunkRunsPastTheEnd(bytes))
    return Fault{Damaged(name, *format, "a chunk runs past the end of the file")};
  InitializeMagickOnce();
  Outcome<Header> header = ReadHeader(bytes, name, *format);
  if (!header) return Fault{header.fault()};
  const std::size_t shown_width = header->transposed ? header->height : header->width;
  const std::size_t shown_height = header->transposed ? header->width : header->height;
  if (shown_width != static_cast<std::size_t>(width) || shown_height != static_cast<std::size_t>(height))
    return Fault{name + ": " + SizeText(shown_width, shown_height) + "; the menu needs " + SizeText(width, height) +
                 " (pictures are not scaled)"};

  DecodedPicture decoded;
  if (header->frames > 1)
    decoded.warnings.push_back(name + ": " + std::to_string(header->frames) +
                               " pictures in one file (an animation?); the menu shows the first");
  Magick::Image image;
  image.quiet(false);  // warnings come as exceptions, to be told apart below
  image.magick(format->name);
  try {
    image.read(Magick::Blob(bytes.data(), bytes.size()));
  } catch (const Magick::WarningCorruptImage& warning) {
    return Fault{Damaged(name, *format, warning.what())};
  } catch (const Magick::Warning&) {
    // A remark on the file; the pixels are all there.
  } catch (const Magick::Exception& error) {
    return Fault{Damaged(name, *format, error.what())};
  }
  if (!image.isValid() || image.columns() != header->width || image.rows() != header->height)
    return Fault{Damaged(name, *format, "fewer pixels than its header declares")};
  image.autoOrient();
  Outcome<Rgb> rgb = Colours(image, name, matte);
  if (!rgb) return Fault{rgb.fault()};
  decoded.rgb = std::move(*rgb);
  return decoded;
}

Outcome<DecodedPicture> ReadPicture(const std::string& path, int width, int height,
                                    std::optional<std::uint32_t> matte) {
  Outcome<std::vector<std::uint8_t>> bytes =
      ReadCappedFile(path, kMaxPictureFileBytes, "a " + SizeText(width, height) + " picture can take");
  if (!bytes) return Fault{bytes.fault()};
  return DecodePicture(*bytes, path, width, height, matte);
}

Outcome<std::uint32_t> ParseColour(const std::string& colour) {
  InitializeMagickOnce();
  try {
    const Magick::ColorRGB parsed(colour);
    if (!parsed.isValid()) return Fault{colour + ": not a colour"};
    auto channel = [](double value) { return static_cast<std::uint32_t>(std::clamp(value, 0.0, 1.0) * 255 + 0.5); };
    return channel(parsed.red()) << 16 | channel(parsed.green()) << 8 | channel(parsed.blue());
  } catch (const Magick::Exception&) {
    return Fault{colour + ": not a colour"};
  }
}

}  // namespace tarvelin
