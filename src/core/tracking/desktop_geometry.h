#pragma once

#include "model/geometry.h"

namespace garbello::DesktopGeometry {

// Converts a frame from window-server coordinates (origin at the top-left of
// the primary display, y down) to desktop coordinates (origin at the
// bottom-left of the primary screen, y up). Both spaces are anchored to the
// primary display, so the one formula serves every screen; pass 0 as the
// height when there is no screen.
Rect cocoaFrame(const Rect& windowServerFrame, double mainScreenHeight);

} // namespace garbello::DesktopGeometry
