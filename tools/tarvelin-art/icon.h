#pragma once

#include <string>

#include "tools/common/outcome.h"

namespace tarvelin {

// A Windows icon file made from the picture at |path| (any format and size the tool reads): the
// picture fitted into a square, centred, transparent around it, at each size Windows shows a
// drive's or a program's icon (16, 24, 32, 48, 64 and 256 pixels), 32-bit with alpha.
Outcome<std::string> IconFile(const std::string& path);

}  // namespace tarvelin
