#include "settings_screens.h"

#include "headless_error.h"

namespace garbello::settings_ui {

void renderScreen(const std::string&, bool, const std::filesystem::path&) {
    throw notInThisBuild("The settings window renderer");
}

std::vector<std::filesystem::path> renderSheets(const std::filesystem::path&) {
    throw notInThisBuild("The settings window renderer");
}

std::vector<std::string> verifyInteractions() {
    throw notInThisBuild("The settings window self-test");
}

} // namespace garbello::settings_ui
