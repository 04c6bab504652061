// Time of one full border draw, as an overlay repaint pays it: each outfit's
// classic cloth at three window sizes, and each patterned variant at one.
#include "draw/bitmap.h"
#include "render/pattern_renderer.h"
#include "sheets/sheet.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

namespace garbello {
namespace {

void drawBorder(benchmark::State& state, Outfit outfit, Size window, double width,
                ClothVariant variant = ClothVariant::classic) {
    Bitmap bitmap(static_cast<int>(window.width + 2 * width),
                  static_cast<int>(window.height + 2 * width));
    const Rect frame{width, width, window.width, window.height};
    for (auto _ : state) {
        PatternRenderer::draw(bitmap.surface(), frame, {outfit, variant, width});
        cairo_surface_flush(cairo_get_target(bitmap.context()));
    }
}

cairo_status_t discard(void*, const unsigned char*, unsigned int) {
    return CAIRO_STATUS_SUCCESS;
}

// PNG encoding of one painted 1800 × 1900 variant sheet: the two settings of
// our encoder, and cairo's own writer for comparison.
void encodeSheet(benchmark::State& state, std::optional<Bitmap::Compression> compression) {
    const sheets::Sheet sheet = sheets::variantSheets().front();
    Bitmap bitmap(static_cast<int>(sheet.canvas.width), static_cast<int>(sheet.canvas.height));
    std::vector<std::string> notes;
    sheet.paint(bitmap, notes);
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (compression) {
            bytes = bitmap.encodePNG(*compression).size();
        } else {
            cairo_surface_write_to_png_stream(bitmap.image(), discard, nullptr);
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void registerAll() {
    benchmark::RegisterBenchmark("encode/sheet/compact", encodeSheet, Bitmap::Compression::compact)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("encode/sheet/fast", encodeSheet, Bitmap::Compression::fast)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("encode/sheet/cairo", encodeSheet, std::nullopt)
        ->Unit(benchmark::kMillisecond);
    struct Case {
        const char* name;
        Size window;
        double width;
    };
    for (const Case& c :
         {Case{"640x400/w16", {640, 400}, 16}, Case{"1440x900/w16", {1440, 900}, 16},
          Case{"2560x1440/w32", {2560, 1440}, 32}})
        for (Outfit outfit : Outfit::allCases())
            benchmark::RegisterBenchmark(
                (std::string("draw/") + std::string(outfit.rawValue()) + "/" + c.name).c_str(),
                [outfit, c](benchmark::State& state) {
                    drawBorder(state, outfit, c.window, c.width);
                })
                ->Unit(benchmark::kMillisecond);
    // Every patterned variant once, at the common window size.
    for (Outfit outfit : {Outfit::hawaiian, Outfit::rainJacket, Outfit::snowGear})
        for (ClothVariant variant : ClothVariant::allCases()) {
            if (variant == ClothVariant::classic)
                continue;
            benchmark::RegisterBenchmark((std::string("variant/") + std::string(outfit.rawValue()) +
                                          "/" + std::to_string(variant.rawValue()) +
                                          "/1440x900/w16")
                                             .c_str(),
                                         [outfit, variant](benchmark::State& state) {
                                             drawBorder(state, outfit, {1440, 900}, 16, variant);
                                         })
                ->Unit(benchmark::kMillisecond);
        }
}

} // namespace
} // namespace garbello

int main(int argc, char** argv) {
    garbello::registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
