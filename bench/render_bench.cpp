// Time of one full border draw, as an overlay repaint pays it.
#include "render/bitmap.h"
#include "render/pattern_renderer.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

namespace garbello {
namespace {

void drawBorder(benchmark::State& state, Outfit outfit, Size window, double width) {
    Bitmap bitmap(static_cast<int>(window.width + 2 * width),
                  static_cast<int>(window.height + 2 * width));
    const Rect frame{width, width, window.width, window.height};
    for (auto _ : state) {
        PatternRenderer::draw(bitmap.surface(), frame, outfit, width, 1.0, std::nullopt, false,
                              ClothVariant::classic, 10);
        cairo_surface_flush(cairo_get_target(bitmap.context()));
    }
}

void registerAll() {
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
