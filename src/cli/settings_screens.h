#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The offscreen settings-window harness as the headless options and the
// protocol reach it: one place for both callers, so wiring the real harness
// in changes this file only.
namespace garbello::settings_ui {

// Renders one settings or setup screen to the PNG file `output`.
void renderScreen(const std::string& screen, bool dark, const std::filesystem::path& output);

// Renders every settings and setup screen in light and dark into `directory`
// and returns the files written, in order.
std::vector<std::filesystem::path> renderSheets(const std::filesystem::path& directory);

// Exercises the settings controls offscreen and returns the names of the
// checks that passed.
std::vector<std::string> verifyInteractions();

} // namespace garbello::settings_ui
