#pragma once

#include <string_view>

namespace garbello::platform {

// Pixels per point from the X resources in `resourceManager` (the root
// window's RESOURCE_MANAGER property, as `xrdb` writes it: one
// "name:\tvalue" a line): `Xft.dpi` / 96, held to 0.5…4; 1 when it is
// absent or not a positive number.
double xftScale(std::string_view resourceManager);

} // namespace garbello::platform
