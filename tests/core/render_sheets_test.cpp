#include "draw/bitmap.h"
#include "draw/recording_surface.h"
#include "draw/render_error.h"
#include "failure_of.h"
#include "render/sample_window.h"
#include "sheets/sheet.h"
#include "support/atomic_file.h"
#include "support/error.h"
#include "temporary_directory.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace garbello {
namespace {

using Kind = RecordingSurface::Kind;

// A bitmap with opaque, translucent and clear pixels side by side.
std::unique_ptr<Bitmap> mixedAlphaBitmap() {
    auto bitmap = std::make_unique<Bitmap>(9, 5);
    DrawingSurface& surface = bitmap->surface();
    surface.fillRect({0, 0, 3, 5}, {0.9, 0.3, 0.1, 1});
    surface.fillRect({3, 0, 3, 5}, {0.2, 0.6, 0.9, 0.37});
    surface.fillRect({6, 0, 2, 5}, {1, 1, 1, 0.02});
    return bitmap;
}

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

TEST(PngEncodingTest, BothCompressionsGiveTheSamePixelsAsCairosOwnWriter) {
    const auto bitmap = mixedAlphaBitmap();
    std::string reference;
    cairo_surface_flush(bitmap->image());
    ASSERT_EQ(cairo_surface_write_to_png_stream(bitmap->image(), appendTo, &reference),
              CAIRO_STATUS_SUCCESS);
    const auto expected = Bitmap::decodePNG(reference);
    for (auto compression : {Bitmap::Compression::compact, Bitmap::Compression::fast}) {
        const std::string bytes = bitmap->encodePNG(compression);
        ASSERT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
        // IHDR: 8 bits per sample, colour type 6 (RGBA).
        EXPECT_EQ(bytes[24], 8);
        EXPECT_EQ(bytes[25], 6);
        const auto decoded = Bitmap::decodePNG(bytes);
        ASSERT_EQ(decoded->width(), 9);
        ASSERT_EQ(decoded->height(), 5);
        for (int x = 0; x < 9; ++x)
            for (int y = 0; y < 5; ++y)
                EXPECT_EQ(decoded->pixel(x, y), expected->pixel(x, y)) << x << "," << y;
    }
}

TEST(PngEncodingTest, DecodingRejectsWhatIsNotAPng) {
    const std::string bytes = mixedAlphaBitmap()->encodePNG(Bitmap::Compression::fast);
    for (const std::string& broken :
         {std::string(), std::string("not a png"), bytes.substr(0, bytes.size() / 2)}) {
        EXPECT_EQ(test::failureOf<RenderError>([&] { Bitmap::decodePNG(broken); }),
                  RenderError::Kind::pngEncoding)
            << broken.size() << " bytes";
    }
}

TEST(DrawEnlargedTest, EverySourcePixelBecomesASharpBlockAtTheOrigin) {
    Bitmap source(4, 3);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y)
            source.surface().fillRect({double(x), double(y), 1, 1}, {x / 3.0, y / 2.0, 0.5, 1});
    Bitmap target(20, 20);
    const Rect crop{1, 1, 2, 2};
    const Point origin{5, 7};
    constexpr int factor = 3;
    target.drawEnlarged(source, crop, origin, factor);
    for (int sx = 0; sx < 2; ++sx)
        for (int sy = 0; sy < 2; ++sy)
            for (int dx = 0; dx < factor; ++dx)
                for (int dy = 0; dy < factor; ++dy)
                    EXPECT_EQ(target.pixel(5 + factor * sx + dx, 7 + factor * sy + dy),
                              source.pixel(1 + sx, 1 + sy))
                        << sx << "," << sy << " +" << dx << "," << dy;
    // Nothing outside the block.
    for (auto [x, y] : {std::pair{4, 7}, {11, 7}, {5, 6}, {5, 13}, {11, 13}})
        EXPECT_EQ(target.pixel(x, y).alpha, 0) << x << "," << y;
}

TEST(CornerCropsTest, EachCropHoldsItsCornerOrEdgeWithTheWholeBorder) {
    // The three rendered sizes: window plus an 18-point border on every side.
    constexpr double border = 18, widestCorner = 36;
    for (Size image : {Size{163, 129}, Size{419, 255}, Size{826, 466}}) {
        const auto crops = sheets::cornerCrops(image);
        for (const Rect& crop : crops) {
            EXPECT_TRUE(crop.minX() >= 0 && crop.minY() >= 0 && crop.maxX() <= image.width &&
                        crop.maxY() <= image.height);
            EXPECT_EQ(crop.x, std::floor(crop.x));
            EXPECT_EQ(crop.y, std::floor(crop.y));
            EXPECT_GT(crop.width, border + widestCorner);
            EXPECT_GT(crop.height, border + widestCorner);
        }
        const auto [topLeft, topRight, bottomLeft, bottomRight, topEdge, rightEdge] = crops;
        EXPECT_EQ(topLeft.origin(), (Point{0, image.height - topLeft.height}));
        EXPECT_EQ(topRight.origin(),
                  (Point{image.width - topRight.width, image.height - topRight.height}));
        EXPECT_EQ(bottomLeft.origin(), (Point{0, 0}));
        EXPECT_EQ(bottomRight.origin(), (Point{image.width - bottomRight.width, 0}));
        EXPECT_EQ(topEdge.maxY(), image.height);
        EXPECT_NEAR(topEdge.midX(), image.width / 2, 1);
        EXPECT_EQ(rightEdge.maxX(), image.width);
        EXPECT_NEAR(rightEdge.midY(), image.height / 2, 1);
    }
}

// The text set follows the variant number modulo three; the note card of the
// third set appears only where it clears the text and the placeholder bars.
TEST(SampleWindowTest, TextSetAndNoteCardFollowTheNumberAndTheRoom) {
    // The window's size, the variant number, the title shown and whether the
    // card is. 145 points leave no room below the body line; 210 and more do.
    const std::tuple<Size, int, const char*, bool> cases[] = {
        {{640, 400}, 0, "Field notes", false},   {{640, 400}, 1, "A quieter workspace", false},
        {{640, 400}, 5, "Weekend plans", true},  {{640, 400}, -1, "Weekend plans", true},
        {{370, 145}, 2, "Weekend plans", false}, {{520, 210}, 2, "Weekend plans", true},
        {{465, 330}, 2, "Weekend plans", true}};
    for (const auto& [size, number, title, card] : cases) {
        RecordingSurface surface;
        const Rect window{10, 20, size.width, size.height};
        sampleWindow(surface, window, false, number);
        EXPECT_EQ(surface.depth(), 0);
        const auto texts = surface.matching(
            [](const RecordingSurface::Operation& op) { return op.kind == Kind::text; });
        ASSERT_EQ(texts.size(), card ? 4u : 3u) << size.height << " " << number;
        EXPECT_EQ(texts[0].text, title) << number;
        if (!card)
            continue;
        const double cardTop = window.minY() + 22 + 34;
        EXPECT_LT(cardTop, texts[2].start().y - 5) << "body line";
        const auto bars = surface.matching([](const RecordingSurface::Operation& op) {
            return op.kind == Kind::fill && op.ink.alpha == 0.12;
        });
        ASSERT_EQ(bars.size(), 1u);
        EXPECT_GT(bars[0].bounds().minY(), cardTop) << size.height;
    }
}

// Small sheets that fill their canvas and leave one note each; the one at
// `failing` throws instead.
std::vector<sheets::Sheet> smallSheets(std::size_t count, std::size_t failing = SIZE_MAX) {
    std::vector<sheets::Sheet> plan;
    for (std::size_t i = 0; i < count; ++i)
        plan.push_back({"sheet-" + std::to_string(i) + ".png",
                        {4 + double(i), 3},
                        [i, failing](Bitmap& bitmap, std::vector<std::string>& notes) {
                            if (i == failing)
                                throw RenderError(RenderError::Kind::bitmapCreation);
                            sheets::fillBackground(bitmap, {0.1 * i, 0.5, 0.5});
                            notes.push_back("note " + std::to_string(i));
                        }});
    return plan;
}

// A sink that collects what a run hands over in `lines`.
sheets::NoteSink collectInto(std::vector<std::string>& lines) {
    return [&lines](const std::string& note) { lines.push_back(note); };
}

TEST(WriteSheetsTest, WritesInOrderReplacingOldFilesAndHandsOverTheNotes) {
    test::TemporaryDirectory directory;
    writeFileAtomically(directory / "sheet-1.png", "old");
    testing::internal::CaptureStderr();
    std::vector<std::string> notes;
    const auto paths = sheets::writeSheets(directory.path(), smallSheets(5), collectInto(notes));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(notes, (std::vector<std::string>{"note 0", "note 1", "note 2", "note 3", "note 4"}));
    ASSERT_EQ(paths.size(), 5u);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(paths[i], directory / ("sheet-" + std::to_string(i) + ".png"));
        const auto image = Bitmap::decodePNG(readFile(paths[i]));
        EXPECT_EQ(image->width(), 4 + int(i));
        EXPECT_EQ(image->height(), 3);
    }
    // Nothing but the sheets: no temporary files stay behind.
    EXPECT_EQ(test::entryNames(directory.path()),
              (std::vector<std::string>{"sheet-0.png", "sheet-1.png", "sheet-2.png", "sheet-3.png",
                                        "sheet-4.png"}));
}

TEST(WriteSheetsTest, TheFirstErrorStopsTheRunAndKeepsWhatWasWritten) {
    // What fails, the painting that fails (SIZE_MAX: none), whether a
    // directory stands where sheet 2's file should go, and the notes handed
    // over and files written before the error.
    using Files = std::vector<std::string>;
    const std::tuple<const char*, std::size_t, bool, std::size_t, Files> cases[] = {
        {"third painting", 2, false, 2, {"sheet-0.png", "sheet-1.png"}},
        {"first painting", 0, false, 0, {}},
        // The notes of a sheet come before its file, as they would when drawn.
        {"third file", SIZE_MAX, true, 3, {"sheet-0.png", "sheet-1.png", "sheet-2.png"}},
    };
    for (const auto& [name, failingPaint, blockSheetTwo, notesHandedOver, files] : cases) {
        // The directory is made, even for a run that fails at once.
        test::TemporaryDirectory temporary;
        const std::filesystem::path directory = temporary / "new" / "sheets";
        if (blockSheetTwo)
            std::filesystem::create_directories(directory / "sheet-2.png" / "inside");
        std::vector<std::string> notes;
        try {
            sheets::writeSheets(directory, smallSheets(6, failingPaint), collectInto(notes));
            ADD_FAILURE() << name << ": no error";
        } catch (const RenderError& error) {
            EXPECT_FALSE(blockSheetTwo) << name;
            EXPECT_EQ(error.kind(), RenderError::Kind::bitmapCreation);
        } catch (const FileError& error) {
            EXPECT_TRUE(blockSheetTwo) << name;
            EXPECT_EQ(std::string(error.what()), "Could not replace " +
                                                     (directory / "sheet-2.png").string() +
                                                     ": Is a directory");
        }
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < notesHandedOver; ++i)
            expected.push_back("note " + std::to_string(i));
        EXPECT_EQ(notes, expected) << name;
        EXPECT_EQ(test::entryNames(directory), files) << name;
    }
}

} // namespace
} // namespace garbello
