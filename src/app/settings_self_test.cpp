#include "app/settings_preview.h"

namespace garbello {

std::vector<std::string> SettingsWindowController::verifyInteractions() {
    throw RenderError(RenderError::Kind::interaction, "not yet");
}

} // namespace garbello
