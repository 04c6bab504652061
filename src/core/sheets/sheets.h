#pragma once

#include <filesystem>
#include <vector>

// Review sheets: big PNG files that show every outfit and cloth exactly as the
// live overlay draws it. Each operation writes its files into `directory`
// (made when missing), replacing files of the same name, reports them through
// the renderer diagnostic and returns their paths in order.
//
// The sheets render on every core, yet files are written and lines printed in
// the same order as one sheet after another. The first error (RenderError,
// FileError) ends the operation and is rethrown; files written before it stay.
namespace garbello::PatternRenderer {

// "garbello-light.png" and "garbello-dark.png" (every outfit at three window
// sizes), then "garbello-details.png" (each cloth enlarged twice).
std::vector<std::filesystem::path> contactSheets(const std::filesystem::path& directory);

// "variants-<name>.png" per outfit (the ten cloths in light and dark with an
// enlarged strip each), then "variants-windows.png" (one application's windows
// in their stable automatic cloths).
std::vector<std::filesystem::path> variantSheets(const std::filesystem::path& directory);

// "corners-<outfit>-<variant>.png" per outfit and variant: the four corners
// and two edges of a border in production pixels, three times enlarged.
std::vector<std::filesystem::path> cornerSheets(const std::filesystem::path& directory);

} // namespace garbello::PatternRenderer
