#include "settings_screens.h"

#include "app/settings_window_controller.h"

namespace garbello::settings_ui {

void renderScreen(const std::string& screen, bool dark, const std::filesystem::path& output) {
    SettingsWindowController::renderScreen(screen, dark, output);
}

std::vector<std::filesystem::path> renderSheets(const std::filesystem::path& directory) {
    return SettingsWindowController::renderSheets(directory);
}

std::vector<std::string> verifyInteractions() {
    return SettingsWindowController::verifyInteractions();
}

} // namespace garbello::settings_ui
