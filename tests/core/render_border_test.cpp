#include "draw/bitmap.h"
#include "draw/cairo_surface.h"
#include "draw/recording_surface.h"
#include "draw/render_error.h"
#include "render/palette.h"
#include "render/pattern_renderer.h"
#include "render/sample_window.h"
#include "render_test_support.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>

namespace garbello {
namespace {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

void drawBorder(DrawingSurface& surface, const Rect& window, Outfit outfit, double width,
                double scale = 1, ClothVariant variant = ClothVariant::classic,
                double cornerRadius = 10, bool dark = false) {
    PatternRenderer::draw(surface, window,
                          {outfit, variant, width, scale, std::nullopt, dark, cornerRadius});
}

Palette classic(Outfit outfit) {
    return Palette::make(outfit, false, std::nullopt, ClothVariant::classic);
}

// --- recorded drawing ---

TEST(PatternRendererTest, GuardsDrawNothing) {
    struct Case {
        Rect window;
        double width, radius;
    };
    const Rect window{20, 20, 100, 80};
    for (const Case& c : {Case{window, 0, 10}, Case{window, -1, 10}, Case{window, nan, 10},
                          Case{window, inf, 10}, Case{window, 12, nan}, Case{window, 12, -inf},
                          Case{{20, 20, 0, 80}, 12, 10}, Case{{20, 20, 100, 0}, 12, 10},
                          Case{{20, 20, inf, 80}, 12, 10}, Case{{-inf, 20, 100, 80}, 12, 10}}) {
        RecordingSurface surface;
        drawBorder(surface, c.window, Outfit::sweater, c.width, 1, ClothVariant::classic, c.radius);
        EXPECT_TRUE(surface.operations().empty()) << c.width << " " << c.radius;
        EXPECT_EQ(surface.depth(), 0);
    }
}

TEST(PatternRendererTest, ScaleIsClampedBetweenHalfAndThree) {
    struct Case {
        double scale, effective;
    };
    const Palette p = classic(Outfit::linen);
    for (const Case& c :
         {Case{nan, 1}, Case{inf, 1}, Case{0.1, 0.5}, Case{10, 3}, Case{1.7, 1.7}}) {
        RecordingSurface surface;
        drawBorder(surface, {20, 20, 300, 200}, Outfit::linen, 12, c.scale);
        // The linen running stitch is dashed 2.6s on, 2.1s off.
        const auto stitches = surface.matching(Kind::stroke, p.light.withAlpha(0.9));
        ASSERT_EQ(stitches.size(), 4u);
        EXPECT_EQ(stitches[0].style.dash,
                  (std::vector<double>{2.6 * c.effective, 2.1 * c.effective}))
            << c.scale;
    }
}

// Seam bands are the only fills in the ground moved 8 % towards light.
std::vector<Operation> seamBands(const RecordingSurface& surface, const Palette& p) {
    return surface.matching(Kind::fill, mix(p.ground, p.light, 0.08));
}

TEST(PatternRendererTest, StripsTooShortAreSkipped) {
    const Palette p = classic(Outfit::rainJacket);
    RecordingSurface surface;
    // w 12, r 10: k = 22 and O is 44 wide, so top and bottom have no length.
    drawBorder(surface, {100, 100, 20, 200}, Outfit::rainJacket, 12);
    const auto bands = seamBands(surface, p);
    ASSERT_EQ(bands.size(), 4u); // left and right strips, two ends each
    for (const Operation& band : bands)
        EXPECT_NEAR(band.bounds().width, 12, 1e-9) << "bands run across vertical strips";
    EXPECT_EQ(surface.depth(), 0);
}

TEST(PatternRendererTest, StripFramesRunCounterClockwiseFromTheOuterEdge) {
    const Palette p = classic(Outfit::snowGear);
    RecordingSurface surface;
    const Rect window{100, 50, 300, 200};
    drawBorder(surface, window, Outfit::snowGear, 16);
    // k = 26; O = (84, 34, 332, 232).
    const auto bands = seamBands(surface, p);
    ASSERT_EQ(bands.size(), 8u);
    const Point origins[] = {
        {84 + 26, 34}, {84 + 332 - 26, 34 + 232}, {84, 34 + 232 - 26}, {84 + 332, 34 + 26}};
    for (int strip = 0; strip < 4; ++strip) {
        EXPECT_NEAR(bands[2 * strip].origin().x, origins[strip].x, 1e-9) << strip;
        EXPECT_NEAR(bands[2 * strip].origin().y, origins[strip].y, 1e-9) << strip;
    }
}

TEST(PatternRendererTest, SeamBandsTakeAThirdOfAShortStrip) {
    const Palette p = classic(Outfit::hawaiian);
    RecordingSurface surface;
    drawBorder(surface, {100, 100, 26, 200}, Outfit::hawaiian, 12);
    const auto bands = seamBands(surface, p);
    ASSERT_EQ(bands.size(), 8u);
    // Bottom strip: L = 26 + 24 − 44 = 6, so e = 2 (not 0.34w = 4.08).
    EXPECT_NEAR(bands[0].bounds().width, 2, 1e-9);
    EXPECT_NEAR(bands[1].bounds().minX() - bands[0].bounds().minX(), 4, 1e-9);
    // The cloth between them is clipped to the middle third.
    const auto clips = surface.matching(
        [](const Operation& op) { return op.kind == Kind::clip && op.depth == 2; });
    ASSERT_FALSE(clips.empty());
    EXPECT_NEAR(clips[0].bounds().width, 2, 1e-9);
    EXPECT_NEAR(clips[0].bounds().minX(), 100 - 12 + 22 + 2, 1e-9);
}

TEST(PatternRendererTest, SeamBandStitchIsDashedAcrossTheStrip) {
    const Palette p = classic(Outfit::sweater);
    RecordingSurface surface;
    drawBorder(surface, {0, 0, 300, 200}, Outfit::sweater, 10);
    const auto stitches = surface.matching(Kind::stroke, p.light.withAlpha(0.8));
    ASSERT_EQ(stitches.size(), 8u);
    EXPECT_EQ(stitches[0].style.dash, (std::vector<double>{0.8, 0.8})); // max(0.55, 0.8)
    EXPECT_DOUBLE_EQ(stitches[0].style.width, 0.5);                     // max(0.35, 0.5)
}

TEST(PatternRendererTest, LinenSeventhAndTenthAddTheirSeamExtras) {
    struct Case {
        ClothVariant variant;
        std::size_t detailBars, rails;
    };
    for (const Case& c : {Case{ClothVariant::seventh, 8, 0}, Case{ClothVariant::tenth, 0, 8},
                          Case{ClothVariant::second, 0, 0}}) {
        const Palette p = Palette::make(Outfit::linen, false, std::nullopt, c.variant);
        RecordingSurface surface;
        drawBorder(surface, {0, 0, 300, 200}, Outfit::linen, 12, 1, c.variant);
        const auto bars = surface.matching([&](const Operation& op) {
            return op.kind == Kind::fill && op.ink == p.detail && op.depth == 1;
        });
        EXPECT_EQ(bars.size(), c.detailBars) << c.variant.rawValue();
        const auto rails = surface.matching([&](const Operation& op) {
            return op.kind == Kind::stroke && op.ink == p.feature && op.depth == 1 &&
                   op.style.width == 1.0;
        });
        EXPECT_EQ(rails.size(), c.rails) << c.variant.rawValue();
    }
}

TEST(PatternRendererTest, NonClassicVariantsWearTheirOwnPalette) {
    const Palette variant =
        Palette::make(Outfit::sweater, true, std::nullopt, ClothVariant::fourth);
    RecordingSurface surface;
    drawBorder(surface, {0, 0, 300, 200}, Outfit::sweater, 12, 1, ClothVariant::fourth, 10, true);
    EXPECT_EQ(surface.operations()[1].ink, variant.ground); // after the ring clip
    EXPECT_FALSE(surface.matching(Kind::stroke, variant.shadow.withAlpha(0.7)).empty());
}

TEST(PatternRendererTest, EdgeLinesFinishTheBorderInsideTheRing) {
    const Palette p = classic(Outfit::linen);
    RecordingSurface surface;
    const Rect window{50, 50, 200, 100};
    drawBorder(surface, window, Outfit::linen, 20);
    const auto& operations = surface.operations();
    ASSERT_GE(operations.size(), 5u);
    const Operation* last4 = &operations[operations.size() - 4];
    EXPECT_EQ(last4[0].ink, p.light.withAlpha(0.55));
    EXPECT_NEAR(last4[0].bounds().minX(), 30 + 2.6, 1e-9);
    EXPECT_NEAR(last4[1].bounds().minX(), 30 + 17.4, 1e-9);
    EXPECT_EQ(last4[2].ink, p.light.withAlpha(0.45));
    EXPECT_NEAR(last4[2].bounds().minX(), 30.5, 1e-9);
    EXPECT_EQ(last4[3].ink, p.shadow.withAlpha(0.42));
    EXPECT_NEAR(last4[3].bounds().minX(), 49.6, 1e-9);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(last4[i].style.dash.empty());
        EXPECT_EQ(last4[i].depth, 1) << "inside the ring clip";
    }
    const auto ringClips = surface.matching(
        [](const Operation& op) { return op.kind == Kind::clip && op.rule == FillRule::evenOdd; });
    EXPECT_EQ(ringClips.size(), 2u);
    EXPECT_EQ(surface.depth(), 0);
    EXPECT_EQ(surface.unbalancedRestores(), 0);
}

// --- pixels ---

// Every cloth of every outfit, in both appearances.
using PixelCase = std::tuple<Outfit, ClothVariant, bool>;

class BorderPixelsTest : public testing::TestWithParam<PixelCase> {};

TEST_P(BorderPixelsTest, PaintStaysInTheRing) {
    const auto [outfit, variant, dark] = GetParam();
    expectPaintStaysInTheRing(outfit, variant, dark);
}

std::string pixelCaseName(const testing::TestParamInfo<PixelCase>& info) {
    const Outfit outfit = std::get<Outfit>(info.param);
    return std::string(outfit.rawValue()) + "_" +
           std::to_string(std::get<ClothVariant>(info.param).rawValue()) +
           (std::get<bool>(info.param) ? "_dark" : "_light");
}

INSTANTIATE_TEST_SUITE_P(AllCloths, BorderPixelsTest,
                         testing::Combine(testing::ValuesIn(Outfit::allCases()),
                                          testing::ValuesIn(ClothVariant::allCases()),
                                          testing::Bool()),
                         pixelCaseName);

TEST(BorderPixelsGuardTest, GuardsPaintNothingAndLeaveTheContextAsItWas) {
    for (double width : {0.0, -1.0, nan, inf}) {
        Bitmap bitmap(120, 100);
        cairo_matrix_t before, after;
        cairo_get_matrix(bitmap.context(), &before);
        drawBorder(bitmap.surface(), {20, 20, 80, 60}, Outfit::hawaiian, width);
        cairo_get_matrix(bitmap.context(), &after);
        EXPECT_EQ(paintedPixels(bitmap, 0, 0, 120, 100), 0) << width;
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    }
}

TEST(BorderPixelsGuardTest, CallersTransformAndClipAreRespectedAndRestored) {
    for (Outfit outfit : Outfit::allCases()) {
        for (bool clipThroughSurface : {true, false}) {
            Bitmap bitmap(200, 160);
            cairo_t* context = bitmap.context();
            bitmap.surface().translate(30, 20);
            // The left part of the border only, set either way a caller may.
            if (clipThroughSurface) {
                bitmap.surface().clipToRect({0, 0, 100.5, 200});
            } else {
                cairo_rectangle(context, 0, 0, 100.5, 200);
                cairo_clip(context);
            }
            cairo_matrix_t before, after;
            double clipBefore[4], clipAfter[4];
            cairo_get_matrix(context, &before);
            cairo_clip_extents(context, &clipBefore[0], &clipBefore[1], &clipBefore[2],
                               &clipBefore[3]);

            drawBorder(bitmap.surface(), {16, 16, 120, 90}, outfit, 16);

            cairo_get_matrix(context, &after);
            cairo_clip_extents(context, &clipAfter[0], &clipAfter[1], &clipAfter[2], &clipAfter[3]);
            EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
            for (int i = 0; i < 4; ++i)
                EXPECT_DOUBLE_EQ(clipBefore[i], clipAfter[i]);
            // Painted only left of x = 30 + 100.5, and the border sits 30
            // right and 20 up.
            EXPECT_EQ(paintedPixels(bitmap, 131, 0, 200, 160), 0) << outfit.rawValue();
            EXPECT_EQ(paintedPixels(bitmap, 0, 0, 30, 160), 0);
            EXPECT_EQ(paintedPixels(bitmap, 0, 0, 200, 20), 0);
            EXPECT_EQ(bitmap.pixel(38, 80).alpha, 255);
            EXPECT_EQ(bitmap.pixel(100, 24).alpha, 255);
            EXPECT_LT(bitmap.pixel(130, 24).alpha, 255) << "half-covered column";
        }
    }
}

// Draws every strip in its own frame and every repeat of a pattern in place,
// never copying pixels.
class DirectSurface : public CairoSurface {
public:
    using CairoSurface::CairoSurface;
    void drawInFrames(std::span<const Frame> frames, Size size,
                      const std::function<void(DrawingSurface&)>& draw) override {
        DrawingSurface::drawInFrames(frames, size, draw);
    }
    void fillPeriodic(const Rect& area, double period, const Ink& ground,
                      const std::function<void(DrawingSurface&, double, double)>& draw) override {
        DrawingSurface::fillPeriodic(area, period, ground, draw);
    }
};

struct PixelDifference {
    int differing = 0, beyondRounding = 0, largest = 0;
};

// Channel by channel, over the whole canvas.
PixelDifference difference(const Image& a, const Image& b) {
    PixelDifference d;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4) {
        int most = 0;
        for (std::size_t c = 0; c < 4; ++c)
            most = std::max(most, std::abs(a.pixels[i + c] - b.pixels[i + c]));
        d.differing += most > 0;
        d.beyondRounding += most > 2;
        d.largest = std::max(d.largest, most);
    }
    return d;
}

// Copies move antialiased pixels only: a strip painted once and turned into
// the opposite frame rounds its curves, caps and joins a little differently,
// and a tile lands up to a 256th of a pixel off. This holds them to the bound
// the drawing surface promises, over every cloth and several geometries.
TEST(BorderPixelsCopyTest, CopiesStayWithinTheirBoundOfDrawingInPlace) {
    struct Geometry {
        double width, scale;
    };
    constexpr int kLargest = 24;             // of 255, per channel
    constexpr double kDiffering = 0.15;      // of the ring's pixels
    constexpr double kBeyondRounding = 0.05; // differing by more than 2
    for (const Geometry g : {Geometry{16, 1}, Geometry{12, 1.3}, Geometry{24, 0.7}}) {
        const Rect window{g.width, g.width, 300, 200};
        const int W = static_cast<int>(300 + 2 * g.width), H = static_cast<int>(200 + 2 * g.width);
        const double ringPixels = W * H - 300 * 200;
        for (Outfit outfit : Outfit::allCases())
            for (ClothVariant variant : ClothVariant::allCases()) {
                const bool dark = variant.rawValue() % 2 == 1;
                const RingStyle style{outfit, variant, g.width, g.scale, std::nullopt, dark};
                Bitmap copied(W, H), inPlace(W, H);
                DirectSurface direct(inPlace.context());
                PatternRenderer::draw(copied.surface(), window, style);
                PatternRenderer::draw(direct, window, style);
                const std::string name = std::string(outfit.rawValue()) + " " +
                                         std::to_string(variant.rawValue()) + " width " +
                                         std::to_string(g.width);
                const PixelDifference d = difference(copied.toImage(), inPlace.toImage());
                EXPECT_LE(d.largest, kLargest) << name;
                EXPECT_LT(d.differing, kDiffering * ringPixels) << name;
                EXPECT_LT(d.beyondRounding, kBeyondRounding * ringPixels) << name;
            }
    }
}

// --- sample window ---

TEST(SampleWindowTest, TextSetFollowsTheVariantNumberModuloThree) {
    struct Case {
        int number;
        std::string title;
        bool card;
    };
    for (const Case& c : {Case{0, "Field notes", false}, Case{1, "A quieter workspace", false},
                          Case{2, "Weekend plans", true}, Case{5, "Weekend plans", true},
                          Case{-1, "Weekend plans", true}}) {
        RecordingSurface surface;
        sampleWindow(surface, {16, 16, 640, 400}, false, c.number);
        const auto texts =
            surface.matching([](const Operation& op) { return op.kind == Kind::text; });
        ASSERT_EQ(texts.size(), c.card ? 4u : 3u) << c.number;
        EXPECT_EQ(texts[0].text, c.title);
        EXPECT_EQ(texts[0].font.name, "HelveticaNeue");
        EXPECT_EQ(texts[1].font.name, "HelveticaNeue-Medium");
        EXPECT_EQ(texts[1].font.size, 22);
        EXPECT_EQ(texts[1].start(), (Point{38, 416 - 64}));
        EXPECT_EQ(surface.depth(), 0);
    }
}

TEST(SampleWindowTest, PaintsTextInBothAppearances) {
    for (bool dark : {false, true}) {
        Bitmap bitmap(300, 200);
        sampleWindow(bitmap.surface(), {0, 0, 300, 200}, dark, 0);
        const Pixel background = bitmap.pixel(250, 20);
        // Somewhere in the heading's line, glyph pixels differ from the background.
        int glyphPixels = 0;
        for (int x = 22; x < 150; ++x)
            for (int y = 200 - 64; y < 200 - 50; ++y)
                glyphPixels += !(bitmap.pixel(x, y) == background);
        EXPECT_GT(glyphPixels, 100) << dark;
        EXPECT_EQ(bitmap.pixel(0, 0).alpha, 0) << "rounded corner stays clear";
    }
}

// --- PNG ---

TEST(PngTest, CanvasIsTheWindowPlusTheBorderOnEverySide) {
    const std::string bytes = PatternRenderer::png({640, 400}, {}, true);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto image = Bitmap::decodePNG(bytes);
    EXPECT_EQ(image->width(), 672);
    EXPECT_EQ(image->height(), 432);
    // The window rectangle (16, 16, 640, 400) holds the light sample window.
    const Pixel inside = image->pixel(336, 200);
    EXPECT_NEAR(inside.red, 0.995 * 255, 1);
    EXPECT_NEAR(inside.green, 0.99 * 255, 1);
    EXPECT_NEAR(inside.blue, 0.97 * 255, 1);
    EXPECT_EQ(inside.alpha, 255);
    EXPECT_EQ(image->pixel(0, 0).alpha, 0);
    EXPECT_EQ(image->pixel(336, 4).alpha, 255);
}

TEST(PngTest, RejectsUnusableDimensionsBeforeMakingABitmap) {
    struct Case {
        Size window;
        double width, radius;
    };
    for (const Case& c :
         {Case{{nan, 400}, 16, 10}, Case{{640, 0}, 16, 10}, Case{{-5, 400}, 16, 10},
          Case{{inf, 400}, 16, 10}, Case{{640, 400}, nan, 10}, Case{{640, 400}, inf, 10},
          Case{{640, 400}, 16, inf}, Case{{640, 400}, 16, nan}, Case{{8160, 100}, 16.5, 10},
          Case{{100, 8161}, 16, 10}}) {
        try {
            PatternRenderer::png(
                c.window, {.outfit = Outfit::linen, .width = c.width, .cornerRadius = c.radius},
                false);
            ADD_FAILURE() << "accepted " << c.window.width << "x" << c.window.height;
        } catch (const RenderError& error) {
            EXPECT_EQ(error.kind(), RenderError::Kind::invalidDimensions);
            const Error& base = error;
            EXPECT_FALSE(base.description().empty());
        }
    }
}

TEST(PngTest, CanvasOfExactlyTheLimitIsAccepted) {
    const auto image =
        Bitmap::decodePNG(PatternRenderer::png({8160, 100}, {.outfit = Outfit::linen}, false));
    EXPECT_EQ(image->width(), 8192);
    EXPECT_EQ(image->height(), 132);
}

TEST(PngTest, NegativeBorderIsNoBorder) {
    const auto image = Bitmap::decodePNG(
        PatternRenderer::png({50, 30}, {.outfit = Outfit::sweater, .width = -4}, false));
    ASSERT_EQ(image->width(), 50);
    ASSERT_EQ(image->height(), 30);
    EXPECT_EQ(paintedPixels(*image, 0, 0, 50, 30), 0);
}

TEST(PngTest, FractionalSizesRoundTheCanvasUp) {
    const auto image = Bitmap::decodePNG(PatternRenderer::png(
        {100.2, 50.5}, {Outfit::rainJacket, ClothVariant::third, 10, 1, std::nullopt, true}, true));
    EXPECT_EQ(image->width(), 121);
    EXPECT_EQ(image->height(), 71);
}

TEST(PngTest, DiagnosticsGoToStandardErrorAsOneLine) {
    testing::internal::CaptureStderr();
    PatternRenderer::diagnostic("wrote 10 sheets");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[renderer] wrote 10 sheets\n");
}

TEST(PngTest, GarbageIsNotDecoded) {
    EXPECT_THROW(Bitmap::decodePNG("not a png"), RenderError);
}

} // namespace
} // namespace garbello
