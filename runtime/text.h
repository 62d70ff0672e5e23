#pragma once

#include <string>
#include <string_view>

namespace tarvelin {

// Text from an 8-bit file in the Windows-1252 code page, as UTF-8. The five bytes that code page
// leaves undefined map to the control characters of the same value, as Windows itself does.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace tarvelin
