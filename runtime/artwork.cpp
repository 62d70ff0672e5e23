#include "runtime/artwork.h"

namespace tarvelin {

std::optional<Artwork> DecodeArtwork(std::span<const std::uint8_t> background, std::span<const std::uint8_t> highlight) {
  DecodedBitmap back = DecodeBitmap(background);
  DecodedBitmap high = DecodeBitmap(highlight);
  if (!back || !high || !SameSizeAndColours(back.picture, high.picture)) return std::nullopt;
  return Artwork{std::move(back.picture), std::move(high.picture)};
}

Artwork BuiltInArtwork() {
  // The build checks the pair (tests/art), so decoding it cannot fail in a released program.
  return *DecodeArtwork(BuiltInBackgroundBitmap(), BuiltInHighlightBitmap());
}

}  // namespace tarvelin
