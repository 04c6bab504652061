#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace garbello::sheets {

// Receives the lines a run of sheets reports (what it wrote, the window
// assignments it shows), one at a time, in order. The command line prints
// them; the sheets themselves never write to a terminal.
using NoteSink = std::function<void(const std::string& note)>;

} // namespace garbello::sheets

// Review sheets: big PNG files that show every outfit and cloth exactly as the
// live overlay draws it. Each operation writes its files into `directory`
// (made when missing), replacing files of the same name, hands a line about
// them to `note` and returns their paths in order.
//
// The sheets render on every core, yet files are written and notes handed
// over in the same order as one sheet after another. The first error
// (RenderError, FileError) ends the operation and is rethrown; files written
// and notes handed over before it stay.
namespace garbello::PatternRenderer {

// "garbello-light.png" and "garbello-dark.png" (every outfit at three window
// sizes), then "garbello-details.png" (each cloth enlarged twice).
std::vector<std::filesystem::path> contactSheets(const std::filesystem::path& directory,
                                                 const sheets::NoteSink& note);

// "variants-<name>.png" per outfit (the ten cloths in light and dark with an
// enlarged strip each), then "variants-windows.png" (one application's windows
// in their stable automatic cloths).
std::vector<std::filesystem::path> variantSheets(const std::filesystem::path& directory,
                                                 const sheets::NoteSink& note);

// "corners-<outfit>-<variant>.png" per outfit and variant: the four corners
// and two edges of a border in production pixels, three times enlarged.
std::vector<std::filesystem::path> cornerSheets(const std::filesystem::path& directory,
                                                const sheets::NoteSink& note);

} // namespace garbello::PatternRenderer
