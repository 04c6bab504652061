// The variant sheets (the ten cloths of each outfit in light and dark, with an
// enlarged strip each) and the window-assignment sheet.
#include "render/pattern_renderer.h"
#include "render/sample_window.h"
#include "settings/garbello_settings.h"
#include "sheets/sheet.h"

#include <array>
#include <cstdint>

namespace garbello::sheets {
namespace {

// --- one sheet per outfit ---

constexpr Size kVariantCanvas{1800, 1900};
constexpr Size kVariantWindow{370, 145};
constexpr double kVariantBorder = 12;
constexpr Size kDetailStrip{790, 35};
constexpr double kDetailStripBorder = 24;

// The ten variants stand in two columns of five blocks. A block is the
// title, the light and dark windows side by side, and the enlarged strip,
// whose 838-point outer width sets the block's width.
constexpr std::array<double, 2> kBlockLeft{40, 922};
constexpr double kFirstBlockTop = 1765;
constexpr double kBlockPitch = 340;
constexpr double kTitleBaseline = 22; // below the block's top
constexpr double kWindowsTop = 36;    // outer edge, below the block's top
constexpr double kWindowGap = 50;     // between the two outer edges
constexpr double kStripLabelBaseline = 222;
constexpr double kStripTop = 230;

// Variant names in the files: the first is the outfit's title, the others
// its raw value.
constexpr std::array<const char*, Outfit::count> kVariantFileNames{"Hawaiian", "rainJacket",
                                                                   "snowGear", "sweater", "linen"};

void variantBlock(DrawingSurface& surface, Outfit outfit, ClothVariant variant, double left,
                  double top) {
    heading(surface, variant.title(outfit), 22, kInk,
            {left + kVariantBorder, top - kTitleBaseline});
    const double windowY = top - kWindowsTop - kVariantBorder - kVariantWindow.height;
    for (bool dark : {false, true}) {
        const double outerLeft =
            left + (dark ? 2 * kVariantBorder + kVariantWindow.width + kWindowGap : 0);
        const Rect window{outerLeft + kVariantBorder, windowY, kVariantWindow.width,
                          kVariantWindow.height};
        sampleWindow(surface, window, dark, variant.rawValue());
        PatternRenderer::draw(
            surface, window,
            {outfit, variant, kVariantBorder, kPatternScale, std::nullopt, dark, kCornerRadius});
    }
    text(surface, "Cloth detail", 12, kQuietInk,
         {left + kVariantBorder, top - kStripLabelBaseline});
    const Rect strip{left + kDetailStripBorder,
                     top - kStripTop - kDetailStripBorder - kDetailStrip.height, kDetailStrip.width,
                     kDetailStrip.height};
    PatternRenderer::draw(
        surface, strip,
        {outfit, variant, kDetailStripBorder, kPatternScale, std::nullopt, false, kCornerRadius});
}

void paintVariantSheet(Bitmap& bitmap, Outfit outfit) {
    fillBackground(bitmap, kPaper);
    DrawingSurface& surface = bitmap.surface();
    heading(surface, std::string(outfit.title()) + " / TEN WAYS TO WEAR IT", 28, kInk, {65, 1835});
    text(surface,
         "Light + dark \u00b7 12 pt window borders \u00b7 enlarged 24 pt cloth below each pair", 17,
         kQuietInk, {65, 1798});
    const auto variants = ClothVariant::allCases();
    const std::size_t rows = variants.size() / kBlockLeft.size();
    for (std::size_t i = 0; i < variants.size(); ++i)
        variantBlock(surface, outfit, variants[i], kBlockLeft[i / rows],
                     kFirstBlockTop - kBlockPitch * (i % rows));
}

// --- window assignment ---

constexpr Size kAssignmentCanvas{1800, 1220};
constexpr Size kAssignmentWindow{465, 330};
constexpr double kAssignmentBorder = 18;
constexpr std::string_view kSampleApplication = "com.example.editor";
// Six windows of one application, numbered as a window server hands them out.
constexpr std::array<std::uint32_t, 6> kSampleWindowIDs{4101, 4102, 4103, 4104, 4105, 4106};
constexpr std::array<double, 3> kAssignmentColumns{83, 668, 1253}; // window minX
constexpr std::array<double, 2> kAssignmentRows{702, 242};         // window minY
constexpr double kCaptionDrop = 52;

void paintAssignmentSheet(Bitmap& bitmap, std::vector<std::string>& notes) {
    fillBackground(bitmap, kPaper);
    DrawingSurface& surface = bitmap.surface();
    heading(surface, "ONE FORECAST. EVERY WINDOW HAS ITS OWN KNIT.", 30, kInk, {65, 1145});
    text(surface,
         "Same app \u00b7 same sweater weather \u00b7 Auto assigns stable variants from window "
         "identity",
         18, kQuietInk, {65, 1105});
    const GarbelloSettings settings;
    for (std::size_t i = 0; i < kSampleWindowIDs.size(); ++i) {
        const std::uint32_t id = kSampleWindowIDs[i];
        const ClothVariant variant = settings.variantOverride(kSampleApplication, Outfit::sweater)
                                         .value_or(ClothVariant::automatic(kSampleApplication, id));
        const Rect window{kAssignmentColumns[i % kAssignmentColumns.size()],
                          kAssignmentRows[i / kAssignmentColumns.size()], kAssignmentWindow.width,
                          kAssignmentWindow.height};
        sampleWindow(surface, window, false, static_cast<int>(i));
        PatternRenderer::draw(surface, window,
                              {Outfit::sweater, variant, kAssignmentBorder, kPatternScale,
                               std::nullopt, false, kCornerRadius});
        const std::string title(variant.title(Outfit::sweater));
        text(surface, "Window " + std::to_string(id) + " \u00b7 " + title, 18, kInk,
             {window.minX(), window.minY() - kCaptionDrop});
        notes.push_back("Sample assignment: window=" + std::to_string(id) +
                        ", sweater variant=" + title);
    }
}

} // namespace

std::vector<Sheet> variantSheets() {
    std::vector<Sheet> sheets;
    for (Outfit outfit : Outfit::allCases())
        sheets.push_back({std::string("variants-") + kVariantFileNames[outfit.index()] + ".png",
                          kVariantCanvas, [outfit](Bitmap& bitmap, std::vector<std::string>&) {
                              paintVariantSheet(bitmap, outfit);
                          }});
    sheets.push_back({"variants-windows.png", kAssignmentCanvas, paintAssignmentSheet});
    return sheets;
}

} // namespace garbello::sheets
