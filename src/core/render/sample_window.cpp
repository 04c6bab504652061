#include "render/sample_window.h"

#include <array>
#include <string_view>

namespace garbello {
namespace {

struct TextSet {
    std::string_view title;
    std::string_view heading;
    std::string_view body;
    double barWidth;
};

constexpr std::array<TextSet, 3> kTextSets = {{
    {"Field notes", "A fresh start", "Make room for a little outside.", 238},
    {"A quieter workspace", "A walk outside", "Good work. A little warmth.", 186},
    {"Weekend plans", "Something warm", "Leave the afternoon open.", 272},
}};

constexpr double kCornerRadius = 10;
constexpr double kTitleBarHeight = 30;
constexpr double kButtonRadius = 4.4;
constexpr double kBarSpacing = 11;
constexpr double kBarHeight = 5;
constexpr int kBarCount = 5;
constexpr double kCardWidth = 153;
constexpr double kCardHeight = 34;
// Space kept free between the note card and the text or bars above it.
constexpr double kCardClearance = 8;
constexpr double kBodyLineDrop = 87;

struct Appearance {
    Ink background, bar, text;
};

Appearance appearance(bool dark) {
    if (dark)
        return {{0.12, 0.15, 0.17}, {0.17, 0.20, 0.22}, {0.88, 0.88, 0.91}};
    return {{0.995, 0.99, 0.97}, {0.92, 0.93, 0.90}, {0.2, 0.29, 0.29}};
}

} // namespace

void sampleWindow(DrawingSurface& surface, const Rect& R, bool dark, int textSet) {
    const TextSet& texts = kTextSets[static_cast<std::size_t>(((textSet % 3) + 3) % 3)];
    const Appearance colors = appearance(dark);
    SavedState saved(surface);
    surface.clip(roundedRectPath(R, kCornerRadius), FillRule::winding);
    surface.fillRect(R, colors.background);
    surface.fillRect({R.minX(), R.maxY() - kTitleBarHeight, R.width, kTitleBarHeight}, colors.bar);

    const Ink buttons[] = {{0.91, 0.43, 0.38}, {0.91, 0.73, 0.32}, {0.47, 0.71, 0.48}};
    for (int i = 0; i < 3; ++i)
        surface.fillDisc({R.minX() + 14 + 15 * i, R.maxY() - 15}, kButtonRadius, buttons[i]);

    surface.drawText(texts.title, {"HelveticaNeue", 11}, colors.text.withAlpha(0.7),
                     {R.minX() + 82, R.maxY() - 19});
    surface.drawText(texts.heading, {"HelveticaNeue-Medium", 22}, colors.text,
                     {R.minX() + 22, R.maxY() - 64});
    surface.drawText(texts.body, {"HelveticaNeue", 11}, colors.text.withAlpha(0.6),
                     {R.minX() + 22, R.maxY() - kBodyLineDrop});

    // The note card sits near the bottom only when the window is tall enough
    // for it to clear the body line; the placeholder bars then stop above it.
    // Otherwise the bars simply run under the window's lower edge.
    const Rect card{R.minX() + 22, R.minY() + 22, kCardWidth, kCardHeight};
    const bool showsCard =
        &texts == &kTextSets[2] && card.maxY() + kCardClearance <= R.maxY() - kBodyLineDrop;
    Path bars;
    for (int i = 0; i < kBarCount; ++i) {
        const double top = R.maxY() - 107 - kBarSpacing * i;
        if (showsCard && top - kBarHeight < card.maxY() + kCardClearance)
            break;
        bars.addRoundedRect({R.minX() + 22, top - kBarHeight, texts.barWidth, kBarHeight},
                            kBarHeight / 2);
    }
    surface.fill(bars, colors.text.withAlpha(0.12));

    if (showsCard) {
        surface.fill(roundedRectPath(card, 6), colors.bar);
        surface.drawText("Picnic by the river", {"HelveticaNeue", 10}, colors.text.withAlpha(0.72),
                         {R.minX() + 34, R.minY() + 33});
    }
}

} // namespace garbello
