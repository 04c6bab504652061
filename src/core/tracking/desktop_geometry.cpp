#include "tracking/desktop_geometry.h"

namespace garbello::DesktopGeometry {

Rect cocoaFrame(const Rect& windowServerFrame, double mainScreenHeight) {
    return {windowServerFrame.minX(), mainScreenHeight - windowServerFrame.maxY(),
            windowServerFrame.width, windowServerFrame.height};
}

} // namespace garbello::DesktopGeometry
