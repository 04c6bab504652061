// The corner sheets: for every outfit and variant, the four corners and two
// edges of real borders in the pixels the overlay would show, enlarged so a
// reviewer can judge every pixel of the joins.
#include "render/pattern_renderer.h"
#include "sheets/sheet.h"

#include <array>
#include <cmath>
#include <memory>

namespace garbello::sheets {
namespace {

// A shade darker than the other sheets' paper, so the white cells stand out.
const Ink kBackground{0.93, 0.925, 0.91};
const Ink kLightCell{1, 1, 1};
const Ink kDarkCell{0.13, 0.14, 0.15};

constexpr Size kCornerCanvas{1500, 1790};
constexpr double kBorder = 18;

struct WindowShape {
    Size window;
    double cornerRadius;
};

constexpr std::array<WindowShape, 3> kShapes{{
    {{127, 93}, 0},
    {{383, 219}, 10},
    {{790, 430}, 36},
}};

// Each crop fills most of a 220 × 200 cell at three times its size, and is
// larger than the border and its widest corner (18 + 36 points) together.
constexpr int kEnlargement = 3;
constexpr Size kCell{220, 200};
constexpr Size kCrop{72, 66};

// Rows of cells from the top, each under its label.
constexpr double kLeft = 30;
constexpr double kCellPitch = 240;
constexpr double kFirstRowTop = 1650;
constexpr double kRowPitch = 270;
constexpr double kLabelAboveRow = 12;

// The border as the overlay shows it: drawn alone, encoded and decoded again.
std::unique_ptr<Bitmap> productionPixels(Outfit outfit, ClothVariant variant,
                                         const WindowShape& shape, bool dark) {
    const std::string png = PatternRenderer::png(
        shape.window,
        {outfit, variant, kBorder, kPatternScale, std::nullopt, dark, shape.cornerRadius},
        /*sampleContent=*/false, Bitmap::Compression::fast);
    return Bitmap::decodePNG(png);
}

void cropRow(Bitmap& sheet, const Bitmap& image, bool dark, double top) {
    const auto rects = cornerCrops({double(image.width()), double(image.height())});
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const Rect cell{kLeft + kCellPitch * i, top - kCell.height, kCell.width, kCell.height};
        sheet.surface().fillRect(cell, dark ? kDarkCell : kLightCell);
        const Point origin{cell.minX() + (kCell.width - kEnlargement * kCrop.width) / 2,
                           cell.minY() + (kCell.height - kEnlargement * kCrop.height) / 2};
        sheet.drawEnlarged(image, rects[i], origin, kEnlargement);
    }
}

void paintCornerSheet(Bitmap& sheet, Outfit outfit, ClothVariant variant) {
    fillBackground(sheet, kBackground);
    DrawingSurface& surface = sheet.surface();
    heading(surface, std::string(outfit.title()) + " \u00b7 " + std::string(variant.title(outfit)),
            28, kInk, {30, 1740});
    text(surface, "Production pixels \u00d73 \u00b7 TL / TR / BL / BR / top edge / right edge", 19,
         kInk, {30, 1705});
    double top = kFirstRowTop;
    for (const WindowShape& shape : kShapes) {
        for (bool dark : {false, true}) {
            text(surface,
                 wholeNumber(shape.window.width) + " \u00d7 " + wholeNumber(shape.window.height) +
                     " \u00b7 radius " + wholeNumber(shape.cornerRadius) + " \u00b7 " +
                     (dark ? "dark" : "light"),
                 18, kInk, {kLeft, top + kLabelAboveRow});
            cropRow(sheet, *productionPixels(outfit, variant, shape, dark), dark, top);
            top -= kRowPitch;
        }
    }
}

} // namespace

std::array<Rect, 6> cornerCrops(Size image) {
    const double right = image.width - kCrop.width, top = image.height - kCrop.height;
    const double middleX = std::floor(right / 2), middleY = std::floor(top / 2);
    const auto at = [](double x, double y) { return Rect{x, y, kCrop.width, kCrop.height}; };
    return {at(0, top),   at(right, top),   at(0, 0),
            at(right, 0), at(middleX, top), at(right, middleY)};
}

std::vector<Sheet> cornerSheets() {
    std::vector<Sheet> sheets;
    for (Outfit outfit : Outfit::allCases())
        for (ClothVariant variant : ClothVariant::allCases())
            sheets.push_back({"corners-" + std::string(outfit.rawValue()) + "-" +
                                  std::to_string(variant.rawValue()) + ".png",
                              kCornerCanvas,
                              [outfit, variant](Bitmap& bitmap, std::vector<std::string>&) {
                                  paintCornerSheet(bitmap, outfit, variant);
                              }});
    return sheets;
}

} // namespace garbello::sheets
