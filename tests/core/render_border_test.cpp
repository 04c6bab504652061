#include "draw/bitmap.h"
#include "draw/cairo_surface.h"
#include "draw/recording_surface.h"
#include "draw/render_error.h"
#include "failure_of.h"
#include "image_pixels.h"
#include "render/border_geometry.h"
#include "render/pattern_renderer.h"
#include "render/ring_style.h"
#include "render/sample_window.h"
#include "render_test_support.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <span>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

namespace garbello {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(BorderGeometryTest, OuterRectGrowsOnlyByAUsableWidth) {
    const Rect window{100, 100, 800, 600};
    // The border's width and the outer rectangle.
    for (const auto& [width, expected] : {std::pair{12.0, Rect{88, 88, 824, 624}},
                                          {0.0, window},
                                          {-5.0, window},
                                          {nan, window},
                                          {inf, window},
                                          {-inf, window}})
        EXPECT_EQ(BorderGeometry::outerRect(window, width), expected) << width;
}

// The first point of each subpath sits where the bottom straight edge of its
// rounded rectangle begins, one corner radius in from the left.
Point subpathStart(const Path& path, int index) {
    int seen = -1;
    for (const Path::Element& element : path.elements())
        if (element.verb == Path::Verb::moveTo && ++seen == index)
            return element.points[0];
    ADD_FAILURE() << "no subpath " << index;
    return {};
}

TEST(BorderGeometryTest, RingIsTwoConcentricRoundedRectangles) {
    const Rect window{10, 20, 40, 20};
    const Path ring = BorderGeometry::ring(window, 6, 30);
    ASSERT_EQ(ring.subpathCount(), 2);
    // r = 10 (half the shorter side), so the outer corners have radius 16.
    EXPECT_EQ(subpathStart(ring, 0), (Point{4 + 16, 14}));
    EXPECT_EQ(subpathStart(ring, 1), (Point{10 + 10, 20}));
    EXPECT_DOUBLE_EQ(BorderGeometry::innerCornerRadius(window, 30), 10);
}

TEST(BorderGeometryTest, NegativeCornerRadiusGivesSquareInnerCorners) {
    EXPECT_EQ(BorderGeometry::innerCornerRadius({0, 0, 40, 20}, -3), 0);
    const Path ring = BorderGeometry::ring({0, 0, 40, 20}, 6, -3);
    ASSERT_EQ(ring.subpathCount(), 2);
    EXPECT_EQ(subpathStart(ring, 1), (Point{0, 0}));
    // The outer corners keep radius `width`.
    EXPECT_EQ(subpathStart(ring, 0), (Point{0, -6}));
}

// The context's transform and clip extents, to compare before and after drawing.
std::vector<double> contextState(cairo_t* context) {
    cairo_matrix_t m;
    cairo_get_matrix(context, &m);
    std::vector<double> state{m.xx, m.yx, m.xy, m.yy, m.x0, m.y0, 0, 0, 0, 0};
    cairo_clip_extents(context, &state[6], &state[7], &state[8], &state[9]);
    return state;
}

TEST(PatternRendererTest, GuardsDrawNothing) {
    // The window, the border's width and the corner radius.
    const std::tuple<Rect, double, double> cases[] = {
        {{20, 20, 100, 80}, 0, 10},   {{20, 20, 100, 80}, -1, 10},  {{20, 20, 100, 80}, nan, 10},
        {{20, 20, 100, 80}, inf, 10}, {{20, 20, 100, 80}, 12, nan}, {{20, 20, 100, 80}, 12, -inf},
        {{20, 20, 0, 80}, 12, 10},    {{20, 20, 100, 0}, 12, 10},   {{20, 20, -100, 80}, 12, 10},
        {{20, 20, inf, 80}, 12, 10},  {{-inf, 20, 100, 80}, 12, 10}};
    for (const auto& [window, width, radius] : cases) {
        SCOPED_TRACE(testing::Message()
                     << window.x << " " << window.width << " " << width << " " << radius);
        RecordingSurface surface;
        drawBorder(surface, window, Outfit::sweater, ClothVariant::classic, width, 1, false,
                   radius);
        EXPECT_TRUE(surface.operations().empty());
        EXPECT_EQ(surface.depth(), 0);
        // Nor does a real context keep a transform from the attempt.
        Bitmap bitmap(140, 120);
        const auto before = contextState(bitmap.context());
        drawBorder(bitmap.surface(), window, Outfit::hawaiian, ClothVariant::classic, width, 1,
                   false, radius);
        EXPECT_EQ(paintedPixels(bitmap, 0, 0, 140, 120), 0);
        EXPECT_EQ(contextState(bitmap.context()), before);
    }
}

TEST(PatternRendererTest, ScaleIsClampedBetweenHalfAndThree) {
    const Palette p = paletteFor(Outfit::linen);
    // The scale asked for and the one drawn.
    for (const auto& [scale, effective] :
         {std::pair{nan, 1.0}, {inf, 1.0}, {0.1, 0.5}, {10.0, 3.0}, {1.7, 1.7}}) {
        RecordingSurface surface;
        drawBorder(surface, {20, 20, 300, 200}, Outfit::linen, ClothVariant::classic, 12, scale);
        // The linen running stitch is dashed in proportion to the scale.
        const auto stitches = surface.matching(Kind::stroke, p.light.withAlpha(0.9));
        ASSERT_EQ(stitches.size(), 4u);
        EXPECT_EQ(stitches[0].style.dash, (std::vector<double>{2.6 * effective, 2.1 * effective}))
            << scale;
    }
}

TEST(PatternRendererTest, StripsTooShortAreSkipped) {
    const Palette p = paletteFor(Outfit::rainJacket);
    RecordingSurface surface;
    // w 12, r 10: the top and bottom strips have no length left between the corners.
    drawBorder(surface, {100, 100, 20, 200}, Outfit::rainJacket, ClothVariant::classic, 12);
    const auto bands = surface.matching(Kind::fill, mix(p.ground, p.light, 0.08));
    ASSERT_EQ(bands.size(), 4u); // left and right strips, two seam bands each
    for (const Operation& band : bands)
        EXPECT_NEAR(band.bounds().width, 12, 1e-9) << "bands run across vertical strips";
    EXPECT_EQ(surface.depth(), 0);
}

// Every cloth of every outfit leaves the surface's save stack as it found it,
// on short and long strips, at any scale.
TEST(PatternRendererTest, EveryClothRestoresWhatItSaves) {
    // The window, the border's width and scale.
    const std::tuple<Rect, double, double> borders[] = {
        {{50, 50, 200, 100}, 14, 1.3}, {{50, 50, 30, 24}, 10, 0.5}, {{50, 50, 320, 60}, 20, 3}};
    for (const auto& [window, width, scale] : borders)
        for (Outfit outfit : Outfit::allCases())
            for (ClothVariant variant : ClothVariant::allCases())
                for (double radius : {0.0, 10.0}) {
                    SCOPED_TRACE(testing::Message() << clothName(outfit, variant) << " width "
                                                    << width << " radius " << radius);
                    RecordingSurface surface;
                    drawBorder(surface, window, outfit, variant, width, scale, false, radius);
                    EXPECT_FALSE(surface.operations().empty());
                    EXPECT_EQ(surface.depth(), 0);
                    EXPECT_EQ(surface.unbalancedRestores(), 0);
                }
}

using PixelCase = std::tuple<Outfit, ClothVariant, bool>;

class BorderPixelsTest : public testing::TestWithParam<PixelCase> {};

// Paints a width-16 border round a 140 × 110 window, with square and with
// rounded corners, and expects the ring covered and nothing painted inside
// the window or outside the outer rectangle.
TEST_P(BorderPixelsTest, PaintStaysInTheRing) {
    const auto [outfit, variant, dark] = GetParam();
    for (double radius : {0.0, 10.0}) {
        SCOPED_TRACE(testing::Message() << clothName(outfit, variant) << (dark ? " dark" : " light")
                                        << " radius " << radius);
        Bitmap bitmap(220, 180);
        drawBorder(bitmap.surface(), {40, 30, 140, 110}, outfit, variant, 16, 1, dark, radius);
        // The little squares at the window's rounded corners belong to the ring.
        const int r = static_cast<int>(radius);
        auto inCornerSquare = [&](int x, int y) {
            const bool left = x < 40 + r, right = x >= 180 - r;
            const bool bottom = y < 30 + r, top = y >= 140 - r;
            return (left || right) && (bottom || top);
        };
        EXPECT_EQ(paintedPixels(bitmap, 40, 30, 180, 140, inCornerSquare), 0);
        auto insideOuter = [](int x, int y) { return x >= 24 && x < 196 && y >= 14 && y < 156; };
        EXPECT_EQ(paintedPixels(bitmap, 0, 0, 220, 180, insideOuter), 0);
        EXPECT_EQ(bitmap.pixel(100, 20).alpha, 255);
        EXPECT_EQ(bitmap.pixel(30, 80).alpha, 255);
    }
}

std::string pixelCaseName(const testing::TestParamInfo<PixelCase>& info) {
    return std::string(std::get<Outfit>(info.param).rawValue()) + "_" +
           std::to_string(std::get<ClothVariant>(info.param).rawValue()) +
           (std::get<bool>(info.param) ? "_dark" : "_light");
}

INSTANTIATE_TEST_SUITE_P(AllCloths, BorderPixelsTest,
                         testing::Combine(testing::ValuesIn(Outfit::allCases()),
                                          testing::ValuesIn(ClothVariant::allCases()),
                                          testing::Bool()),
                         pixelCaseName);

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
            const auto before = contextState(context);
            drawBorder(bitmap.surface(), {16, 16, 120, 90}, outfit);
            EXPECT_EQ(contextState(context), before);
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

// A cairo surface that may draw every strip in its own frame and every
// repeat of a pattern in place instead of copying pixels.
class InPlaceSurface : public CairoSurface {
public:
    InPlaceSurface(cairo_t* context, bool copyStrips, bool copyTiles)
        : CairoSurface(context), copyStrips_(copyStrips), copyTiles_(copyTiles) {}
    void drawInFrames(std::span<const Frame> frames, Size size,
                      const std::function<void(DrawingSurface&)>& draw) override {
        copyStrips_ ? CairoSurface::drawInFrames(frames, size, draw)
                    : DrawingSurface::drawInFrames(frames, size, draw);
    }
    void fillPeriodic(const Rect& area, double period, const Ink& ground,
                      const std::function<void(DrawingSurface&, double, double)>& draw) override {
        copyTiles_ ? CairoSurface::fillPeriodic(area, period, ground, draw)
                   : DrawingSurface::fillPeriodic(area, period, ground, draw);
    }
    void
    fillPeriodicOver(const Rect& area, double period, double reach, std::span<const Span> keepOut,
                     const std::function<void(DrawingSurface&, double, double)>& draw) override {
        copyTiles_ ? CairoSurface::fillPeriodicOver(area, period, reach, keepOut, draw)
                   : DrawingSurface::fillPeriodicOver(area, period, reach, keepOut, draw);
    }
    void fillPeriodicOverRepeats(
        const Rect& area, double period, double reach,
        const std::function<void(DrawingSurface&, double, double)>& draw) override {
        copyTiles_ ? CairoSurface::fillPeriodicOverRepeats(area, period, reach, draw)
                   : DrawingSurface::fillPeriodicOverRepeats(area, period, reach, draw);
    }

private:
    bool copyStrips_, copyTiles_;
};

struct CopyDifference {
    int differing = 0, beyondRounding = 0, largest = 0;
};

CopyDifference compare(const Bitmap& a, const Bitmap& b) {
    CopyDifference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Pixel p = a.pixel(x, y), q = b.pixel(x, y);
            const int difference =
                std::max({std::abs(p.red - q.red), std::abs(p.green - q.green),
                          std::abs(p.blue - q.blue), std::abs(p.alpha - q.alpha)});
            d.differing += difference > 0;
            d.beyondRounding += difference > 2;
            d.largest = std::max(d.largest, difference);
        }
    return d;
}

// Copies land on whole pixels, also at two pixels per point, but cairo's
// antialiasing of a shape and of the same shape turned by half a turn differ
// by a few units along some edges, and a little more where round caps and
// joins meet. These are the bounds the drawing surface documents for its
// copies. At two pixels per point each strip is drawn on its own picture
// rather than copied, which must change no pixel at all.
TEST(BorderPixelsCopyTest, CopiesStayWithinTheirBoundOfDrawingInPlace) {
    struct Bound {
        const char* copies;
        bool copyStrips, copyTiles;
        int largest;
        double differing, beyondRounding; // shares of the ring's pixels
    };
    const Bound bounds[] = {{"repeats only", false, true, 4, 0.06, 0.01},
                            {"strips and repeats", true, true, 24, 0.15, 0.05}};
    const Rect window{24, 24, 392, 252};
    // The border's width and scale, and the pixels per point.
    const std::tuple<double, double, int> geometries[] = {
        {16, 1, 1}, {12, 1.3, 1}, {24, 0.7, 1}, {16, 1, 2}};
    for (const auto& [width, scale, n] : geometries)
        for (Outfit outfit : Outfit::allCases())
            for (ClothVariant variant : ClothVariant::allCases()) {
                Bitmap inPlace(440 * n, 300 * n);
                InPlaceSurface direct(inPlace.context(), false, false);
                direct.scale(n, n);
                drawBorder(direct, window, outfit, variant, width, scale);
                const double ringPixels =
                    n * n * ((392 + 2 * width) * (252 + 2 * width) - 392.0 * 252);
                std::unique_ptr<Bitmap> repeatsOnly;
                for (const Bound& bound : bounds) {
                    SCOPED_TRACE(testing::Message()
                                 << clothName(outfit, variant) << " width " << width << " scale "
                                 << scale << " at " << n << ", " << bound.copies << " copied");
                    auto copied = std::make_unique<Bitmap>(440 * n, 300 * n);
                    InPlaceSurface surface(copied->context(), bound.copyStrips, bound.copyTiles);
                    surface.scale(n, n);
                    drawBorder(surface, window, outfit, variant, width, scale);
                    const CopyDifference d = compare(*copied, inPlace);
                    if (outfit == Outfit::sweater && scale == 1) {
                        EXPECT_GT(d.differing, 0)
                            << "the knitting was repeated, not drawn in place";
                    }
                    EXPECT_LE(d.largest, bound.largest);
                    EXPECT_LT(d.differing, bound.differing * ringPixels);
                    EXPECT_LT(d.beyondRounding, bound.beyondRounding * ringPixels);
                    if (!bound.copyStrips) {
                        repeatsOnly = std::move(copied);
                    } else if (n == 2) {
                        EXPECT_EQ(compare(*copied, *repeatsOnly).largest, 0);
                    }
                }
            }
}

// A cairo surface that counts the fills made on it, and may draw periodic
// patterns in place.
class CountingSurface : public InPlaceSurface {
public:
    CountingSurface(cairo_t* context, bool copyTiles) : InPlaceSurface(context, false, copyTiles) {}
    void fill(const Path& path, const Ink& ink, FillRule rule) override {
        ++fills;
        InPlaceSurface::fill(path, ink, rule);
    }
    int fills = 0;
};

// Translucent discs every 2.5 points, repeating every 10, over two bands
// and dark bars, in a strip clipped between fractional edges: the tile of a
// pattern over painted layers must give exactly the pixels of drawing in
// place, whichever way the frame is turned and however many pixels a point
// spans, as long as every bar is kept out, or the bars repeat with the
// pattern and the surface is told so.
TEST(PeriodicOverTest, RepeatsGiveThePixelsOfDrawingInPlace) {
    struct Case {
        const char* name;
        double firstBar, barPitch; // bars at firstBar + k * barPitch
        bool barsRepeat;           // drawn by fillPeriodicOverRepeats
    };
    // One bar leaves room to draw a repeat in place; bars every 20 points
    // leave none, so the tile takes its backdrop from a line of pixels.
    const Case cases[] = {{"one bar", 101.3, 1000, false},
                          {"bars every 20 points", 7.3, 20, false},
                          {"bars every 10 points, repeating", 7.3, 10, true}};
    const Frame frames[] = {
        {{10, 10}, 0}, {{310, 40}, std::numbers::pi}, {{40, 310}, -std::numbers::pi / 2}};
    const Ink ground = Ink::hex(0x335577), band = Ink::hex(0xc0a060), bar = Ink::hex(0x101010);
    const Ink disc = Ink::hex(0xf0f0e0).withAlpha(0.6);
    auto scene = [&](CountingSurface& s, const Case& c, const Frame& frame, bool keepBarsOut) {
        SavedState saved(s);
        s.translate(frame.origin.x, frame.origin.y);
        s.rotate(frame.rotation);
        s.clipToRect({2.5, 0, 294.6, 20});
        s.fillRect({0, 0, 300, 20}, ground);
        s.fillRect({0, 6.4, 300, 5.3}, band);
        std::vector<DrawingSurface::Span> bars;
        for (double x = c.firstBar; x < 300; x += c.barPitch) {
            s.fillRect({x, 0, 2.2, 20}, bar);
            bars.push_back({x, x + 2.2});
        }
        auto discs = [&](DrawingSurface& target, double from, double to) {
            const int first = std::max(0, static_cast<int>(std::floor((from - 1.6) / 2.5)));
            const int last = std::min(120, static_cast<int>(std::ceil((to + 1.6) / 2.5)));
            for (int j = first; j <= last; ++j)
                target.fillDisc({2.5 * j, 4 + 1.3 * (j % 4)}, 1.6, disc);
        };
        // A disc drawn for a range may lie a step outside it and reach 1.6 beyond.
        const double reach = 1.6 + 2.5 + 1.6;
        if (c.barsRepeat)
            s.fillPeriodicOverRepeats({0, 0, 300, 20}, 10, reach, discs);
        else
            s.fillPeriodicOver({0, 0, 300, 20}, 10, reach,
                               keepBarsOut ? std::span<const DrawingSurface::Span>(bars)
                                           : std::span<const DrawingSurface::Span>(),
                               discs);
    };
    for (const Case& c : cases)
        for (const Frame& frame : frames)
            for (int pixelsPerPoint : {1, 2}) {
                SCOPED_TRACE(testing::Message() << c.name << ", turned " << frame.rotation << ", "
                                                << pixelsPerPoint << " pixels per point");
                const int side = 330 * pixelsPerPoint;
                Bitmap inPlace(side, side), repeated(side, side), careless(side, side);
                CountingSurface direct(inPlace.context(), false), tiled(repeated.context(), true),
                    barsIgnored(careless.context(), true);
                for (CountingSurface* s : {&direct, &tiled, &barsIgnored})
                    s->scale(pixelsPerPoint, pixelsPerPoint);
                scene(direct, c, frame, true);
                scene(tiled, c, frame, true);
                scene(barsIgnored, c, frame, false);
                EXPECT_EQ(compare(repeated, inPlace).largest, 0);
                EXPECT_LT(tiled.fills, direct.fills) << "the discs were not repeated";
                if (!c.barsRepeat) {
                    EXPECT_GT(compare(careless, inPlace).differing, 0)
                        << "the bars were not covered";
                }
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

TEST(PngTest, RejectsUnusableDimensionsBeforeMakingABitmap) {
    // The window, the border's width and the corner radius.
    const std::tuple<Size, double, double> cases[] = {
        {{nan, 400}, 16, 10},  {{640, 0}, 16, 10},      {{-5, 400}, 16, 10},  {{640, 400}, inf, 10},
        {{640, 400}, 16, nan}, {{8160, 100}, 16.5, 10}, {{100, 8161}, 16, 10}};
    for (const auto& [window, width, radius] : cases) {
        const RingStyle style{Outfit::linen, ClothVariant::classic, width, 1, std::nullopt, false,
                              radius};
        EXPECT_EQ(test::failureOf<RenderError>([&] { PatternRenderer::png(window, style, false); }),
                  RenderError::Kind::invalidDimensions)
            << window.width << "x" << window.height << " " << width << " " << radius;
    }
}

TEST(PngTest, CanvasSizeRoundsUpAndANegativeBorderIsNone) {
    // The window, the border's width and the canvas's width and height.
    const std::tuple<Size, double, int, int> cases[] = {
        {{8160, 100}, 16, 8192, 132}, {{100.2, 50.5}, 10, 121, 71}, {{50, 30}, -4, 50, 30}};
    for (const auto& [window, width, canvasWidth, canvasHeight] : cases) {
        const auto image = Bitmap::decodePNG(PatternRenderer::png(
            window, {Outfit::rainJacket, ClothVariant::third, width, 1, std::nullopt, true, 10},
            false));
        EXPECT_EQ(image->width(), canvasWidth) << window.width;
        EXPECT_EQ(image->height(), canvasHeight) << window.width;
        if (width < 0) {
            EXPECT_EQ(paintedPixels(*image, 0, 0, canvasWidth, canvasHeight), 0);
        }
    }
}

// Every input of the picture tells two styles apart, so a cache keyed on the
// style never hands out a ring of another picture.
TEST(RingStyleTest, EveryPictureInputTellsStylesApart) {
    const RingStyle base;
    const std::vector<std::pair<const char*, RingStyle>> changed = {
        {"outfit", {.outfit = Outfit::linen}},
        {"variant", {.variant = ClothVariant::fifth}},
        {"width", {.width = 17}},
        {"scale", {.scale = 1.5}},
        {"tint", {.tint = Color::rgb(0.2, 0.4, 0.6)}},
        {"dark", {.dark = true}},
        {"corner radius", {.cornerRadius = 0}},
    };
    std::unordered_set<RingStyle> seen = {base};
    for (const auto& [what, style] : changed) {
        EXPECT_NE(style, base) << what;
        EXPECT_TRUE(seen.insert(style).second) << what;
        EXPECT_EQ(std::hash<RingStyle>{}(style), std::hash<RingStyle>{}(RingStyle(style))) << what;
    }
    // Colours compare by space and components: a grey is not the same RGB triple.
    EXPECT_EQ(Color::grey(0.5), Color::grey(0.5));
    EXPECT_NE(Color::grey(0.5), Color::rgb(0.5, 0.5, 0.5));
    EXPECT_NE((RingStyle{.tint = Color::rgb(0.2, 0.4, 0.6)}),
              (RingStyle{.tint = Color::rgb(0.2, 0.4, 0.61)}));
}

// The image a worker hands back holds the very pixels the PNG encodes.
TEST(RingStyleTest, RingImageHoldsThePixelsOfTheRing) {
    const RingStyle style{.outfit = Outfit::sweater, .variant = ClothVariant::third, .width = 12};
    const Image image = PatternRenderer::ring({90, 60}, style);
    ASSERT_EQ(image.width, 114);
    ASSERT_EQ(image.height, 84);
    ASSERT_GE(image.stride, 4 * image.width);
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.stride * image.height));
    const auto decoded = Bitmap::decodePNG(PatternRenderer::png({90, 60}, style, false));
    const auto argb = [&](int x, int y) { return test::argbAt(image, x, image.height - 1 - y); };
    for (const auto& [x, y] : {std::pair{0, 0}, {5, 40}, {60, 80}, {113, 83}, {57, 42}}) {
        const Pixel p = decoded->pixel(x, y);
        EXPECT_EQ(argb(x, y) >> 24, p.alpha) << x << "," << y;
    }
    EXPECT_EQ(argb(57, 42), 0u) << "the window itself stays clear";
    EXPECT_EQ(argb(5, 40) >> 24, 255u) << "the ring is opaque cloth";
    EXPECT_THROW(PatternRenderer::ring({0, 60}, style), RenderError);
}

} // namespace
} // namespace garbello
