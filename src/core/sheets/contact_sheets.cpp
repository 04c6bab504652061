// The contact sheets (every outfit at three window sizes, light and dark) and
// the detail sheet (each cloth enlarged twice).
#include "render/pattern_renderer.h"
#include "render/sample_window.h"
#include "sheets/sheet.h"

#include <array>
#include <string_view>

namespace garbello::sheets {
namespace {

struct OutfitCopy {
    Outfit outfit;
    std::string_view line;   // beside the name on the contact sheets
    std::string_view detail; // beside the enlarged cloth
};

constexpr std::array<OutfitCopy, Outfit::count> kOutfitCopy{{
    {Outfit::hawaiian, "Hibiscus, palm fronds & a sunlit turquoise ground",
     "Five-petal flowers with fine stamens and paired leaves."},
    {Outfit::rainJacket, "Golden slicker, reflective tape & little zip pulls",
     "Double seams, metal teeth and a pale reflective stripe."},
    {Outfit::snowGear, "Quilted down, Nordic snowflakes & fleece edging",
     "Soft baffles surround an icy blue patterned band."},
    {Outfit::sweater, "Soft terracotta yarn, knitted a stitch at a time",
     "Overlapping V loops catch the light like wool."},
    {Outfit::linen, "Oatmeal warp & weft with a sage stitched hem",
     "Crossed threads and tiny slubs soften the plain weave."},
}};

struct SheetInks {
    Ink background, text, quiet;
};

SheetInks sheetInks(bool dark) {
    if (dark)
        return {{0.085, 0.10, 0.11}, {0.90, 0.90, 0.92}, {0.90, 0.90, 0.92, 0.62}};
    return {kPaper, kInk, kQuietInk};
}

// --- contact sheets ---

constexpr Size kContactCanvas{1680, 1760};

struct SampleSize {
    Size window;
    double x;
    double border;
};

constexpr std::array<SampleSize, 3> kSampleSizes{{
    {{330, 140}, 82, 12},
    {{400, 170}, 505, 15},
    {{520, 210}, 1045, 18},
}};

// Rows from the top: the name's baseline, then the windows with the bottoms
// of their rings on one line (the tallest ring is 246 points), then their
// captions.
constexpr double kFirstRowBaseline = 1590;
constexpr double kRowPitch = 314;
constexpr double kNameToWindowsBottom = 262;
constexpr double kWindowsBottomToCaption = 16;

void contactRow(DrawingSurface& surface, const OutfitCopy& copy, double baseline, bool dark,
                const SheetInks& inks) {
    heading(surface, copy.outfit.title(), 21, inks.text, {64, baseline});
    text(surface, copy.line, 14, inks.quiet, {270, baseline});
    const double outerBottom = baseline - kNameToWindowsBottom;
    for (std::size_t i = 0; i < kSampleSizes.size(); ++i) {
        const SampleSize& size = kSampleSizes[i];
        const Rect window{size.x, outerBottom + size.border, size.window.width, size.window.height};
        sampleWindow(surface, window, dark, static_cast<int>(i));
        PatternRenderer::draw(surface, window,
                              {.outfit = copy.outfit,
                               .width = size.border,
                               .scale = kPatternScale,
                               .dark = dark,
                               .cornerRadius = kCornerRadius});
        text(surface, wholeNumber(size.border) + " pt border", 12, inks.quiet,
             {size.x, outerBottom - kWindowsBottomToCaption});
    }
}

void paintContactSheet(Bitmap& bitmap, bool dark) {
    const SheetInks inks = sheetInks(dark);
    fillBackground(bitmap, inks.background);
    DrawingSurface& surface = bitmap.surface();
    heading(surface, "GARBELLO", 16, inks.text, {64, 1688});
    heading(surface, "A little weather. A little texture.", 34, inks.text, {64, 1638});
    text(surface, dark ? "DARK APPEARANCE" : "LIGHT APPEARANCE", 13, inks.quiet, {1370, 1690});
    for (std::size_t row = 0; row < kOutfitCopy.size(); ++row)
        contactRow(surface, kOutfitCopy[row], kFirstRowBaseline - kRowPitch * row, dark, inks);
    text(surface, "ORIGINAL PROCEDURAL CLOTH / CONTENT STAYS CLEAR / RENDERED ENTIRELY OFFSCREEN",
         11, inks.quiet, {64, 30});
}

Sheet contactSheet(bool dark) {
    return {std::string("garbello-") + (dark ? "dark" : "light") + ".png", kContactCanvas,
            [dark](Bitmap& bitmap, std::vector<std::string>&) { paintContactSheet(bitmap, dark); }};
}

// --- detail sheet ---

constexpr Size kDetailCanvas{1680, 1430};
constexpr Size kDetailWindow{340, 65};
constexpr double kDetailBorder = 18;
constexpr double kDetailEnlargement = 2;
constexpr double kDetailX = 100;
// The enlarged ring spans 36 points below a row's y and 166 above it.
constexpr double kFirstDetailRowY = 1110;
constexpr double kDetailRowPitch = 240;

void paintDetailSheet(Bitmap& bitmap) {
    const SheetInks inks = sheetInks(false);
    fillBackground(bitmap, inks.background);
    DrawingSurface& surface = bitmap.surface();
    heading(surface, "THE CLOTH, UP CLOSE", 30, inks.text, {64, 1355});
    text(surface,
         "18 pt borders, enlarged 2\u00d7 \u00b7 the exact same renderer as the live window "
         "overlay",
         16, inks.quiet, {64, 1317});
    for (std::size_t row = 0; row < kOutfitCopy.size(); ++row) {
        const OutfitCopy& copy = kOutfitCopy[row];
        const double y = kFirstDetailRowY - kDetailRowPitch * row;
        {
            SavedState saved(surface);
            surface.translate(kDetailX, y);
            surface.scale(kDetailEnlargement, kDetailEnlargement);
            PatternRenderer::draw(surface, {0, 0, kDetailWindow.width, kDetailWindow.height},
                                  {.outfit = copy.outfit,
                                   .width = kDetailBorder,
                                   .scale = kPatternScale,
                                   .cornerRadius = kCornerRadius});
        }
        heading(surface, copy.outfit.title(), 24, inks.text, {890, y + 101});
        text(surface, copy.detail, 17, inks.quiet, {890, y + 65});
    }
    text(surface,
         "DRAWN FROM SCRATCH WITH COREGRAPHICS / NO IMAGE ASSETS OR EXTERNAL PATTERN CATALOGUES",
         11, inks.quiet, {64, 30});
}

} // namespace

std::vector<Sheet> contactSheets() {
    return {contactSheet(false),
            contactSheet(true),
            {"garbello-details.png", kDetailCanvas,
             [](Bitmap& bitmap, std::vector<std::string>&) { paintDetailSheet(bitmap); }}};
}

} // namespace garbello::sheets
