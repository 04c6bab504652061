#pragma once

#include "draw/bitmap.h"
#include "draw/drawing_surface.h"
#include "draw/ink.h"
#include "model/geometry.h"
#include "sheets/sheets.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The pieces the review sheets are made of; PatternRenderer's sheet operations
// (sheets/sheets.h) put them together.
namespace garbello::sheets {

// One sheet: its file name, canvas size and painter.
struct Sheet {
    std::string fileName;
    Size canvas;
    // Paints the whole sheet on a fresh, transparent bitmap of `canvas`.
    // Lines to report go to `notes`; they are handed on just before the file
    // is written. Runs beside other sheets' painters on other
    // threads, so it shares nothing mutable.
    std::function<void(Bitmap&, std::vector<std::string>& notes)> paint;
};

struct RenderedSheet {
    std::string png;
    std::vector<std::string> notes;
};

// Paints `sheet` and encodes it for speed: sheets are big, and the encoder
// would otherwise take most of the time.
RenderedSheet render(const Sheet& sheet);

// Renders `sheets` on every core and, in order, hands each one's notes to
// `note` and writes its file atomically into `directory`. Returns the paths
// written. The first error stops the run and is rethrown; files already
// written and notes already handed over stay.
std::vector<std::filesystem::path> writeSheets(const std::filesystem::path& directory,
                                               const std::vector<Sheet>& sheets,
                                               const NoteSink& note);

// The two contact sheets (light, dark), then the detail sheet.
std::vector<Sheet> contactSheets();
// One sheet per outfit, then the window-assignment sheet.
std::vector<Sheet> variantSheets();
// One sheet per outfit and variant, variants of an outfit together.
std::vector<Sheet> cornerSheets();

// The six crops of a corner-sheet row in a rendered border of `image` pixels
// (drawing frame, whole pixels): the top-left, top-right, bottom-left and
// bottom-right corners, then the middle of the top edge and of the right edge.
std::array<Rect, 6> cornerCrops(Size image);

// Every cloth on a sheet is drawn like the live overlay's: pattern scale 1,
// no tint, corner radius 10 (the corner sheets use radii of their own).
inline constexpr double kPatternScale = 1;
inline constexpr double kCornerRadius = 10;

// The light sheets' paper and ink.
inline constexpr Ink kPaper{0.96, 0.952, 0.932};
inline constexpr Ink kInk{0.16, 0.20, 0.21};
inline constexpr Ink kQuietInk{0.16, 0.20, 0.21, 0.62};

// Sheet typography: one line of text with its baseline starting at `origin`.
void text(DrawingSurface& surface, std::string_view line, double size, const Ink& ink,
          Point origin);
void heading(DrawingSurface& surface, std::string_view line, double size, const Ink& ink,
             Point origin);
// Paints the canvas with `ink`, before anything else.
void fillBackground(Bitmap& bitmap, const Ink& ink);

// `number` in decimal without a fraction, as the sheets show sizes.
std::string wholeNumber(double number);

} // namespace garbello::sheets
