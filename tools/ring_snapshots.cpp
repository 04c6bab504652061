// Proves a renderer change keeps its pixels: `write DIR` draws the ring of
// every cloth (five outfits × ten variants) under a spread of window sizes,
// widths, pattern scales, appearances and pixel densities into DIR as PNG
// files; `compare A B` decodes every PNG of A and the one of the same name
// in B (rings, `--render` pictures, sheets alike) and reports how far their
// pixels lie apart.
//
// Usage: ring_snapshots write DIR
//        ring_snapshots compare A B [--tolerance N]
// compare prints one line per file that is not identical and exits non-zero
// when a file is missing or a channel differs by more than N (default 1).

#include "draw/bitmap.h"
#include "draw/render_error.h"
#include "render/pattern_renderer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace garbello;
namespace fs = std::filesystem;

struct Setup {
    const char* name;
    Size window;
    double width;
    double patternScale;
    bool dark;
    std::optional<Color> tint;
    int pixelsPerPoint;
};

// The sizes the overlays meet most, the benchmark's three, and widths and
// scales off the pixel grid, where no fast path may apply.
const Setup kSetups[] = {
    {"160x120-w16", {160, 120}, 16, 1, false, std::nullopt, 1},
    {"1440x900-w16", {1440, 900}, 16, 1, false, std::nullopt, 1},
    {"1440x900-w16-2x", {1440, 900}, 16, 1, false, std::nullopt, 2},
    {"2560x1440-w32", {2560, 1440}, 32, 1, false, std::nullopt, 1},
    {"640x400-w12-s0.6-dark", {640, 400}, 12, 0.6, true, std::nullopt, 1},
    {"800x500-w24-s2.2-tint", {800, 500}, 24, 2.2, false, Color::rgb(0.2, 0.5, 0.8), 1},
    {"333x211-w13.5-s1.3", {333, 211}, 13.5, 1.3, false, std::nullopt, 1},
    {"500x300-w8-s0.5-dark-2x", {500, 300}, 8, 0.5, true, std::nullopt, 2},
    {"300x200-w5", {300, 200}, 5, 1, false, std::nullopt, 1},
    {"400x250-w9.5-s0.8-2x", {400, 250}, 9.5, 0.8, false, std::nullopt, 2},
};

std::string ringName(const Setup& setup, Outfit outfit, ClothVariant variant) {
    return std::string(setup.name) + "-" + std::string(outfit.rawValue()) + "-" +
           std::to_string(variant.rawValue()) + ".png";
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

int writeAll(const fs::path& directory) {
    fs::create_directories(directory);
    for (const Setup& setup : kSetups)
        for (Outfit outfit : Outfit::allCases())
            for (ClothVariant variant : ClothVariant::allCases()) {
                const int s = setup.pixelsPerPoint;
                const double w = setup.width;
                Bitmap bitmap(static_cast<int>(std::ceil((setup.window.width + 2 * w) * s)),
                              static_cast<int>(std::ceil((setup.window.height + 2 * w) * s)));
                bitmap.surface().scale(s, s);
                const RingStyle style{outfit,     variant,   w, setup.patternScale,
                                      setup.tint, setup.dark};
                PatternRenderer::draw(bitmap.surface(),
                                      {w, w, setup.window.width, setup.window.height}, style);
                writeFile(directory / ringName(setup, outfit, variant),
                          bitmap.encodePNG(Bitmap::Compression::fast));
            }
    return 0;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Difference {
    bool sameSize = true;
    int largest = 0;    // largest difference of one channel
    long differing = 0; // pixels with any channel apart
    long beyondOne = 0; // pixels with a channel more than one apart
    long pixels = 0;
    int worstX = 0, worstY = 0; // where the largest difference lies, from the top left
};

Difference compareImages(const Image& a, const Image& b) {
    Difference d;
    if (a.width != b.width || a.height != b.height) {
        d.sameSize = false;
        return d;
    }
    d.pixels = static_cast<long>(a.width) * a.height;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            int apart = 0;
            for (int c = 0; c < 4; ++c) {
                const std::size_t at = static_cast<std::size_t>(y) * a.stride + 4 * x + c;
                apart = std::max(apart, std::abs(int(a.pixels[at]) - int(b.pixels[at])));
            }
            if (apart > d.largest) {
                d.largest = apart;
                d.worstX = x;
                d.worstY = y;
            }
            d.differing += apart > 0;
            d.beyondOne += apart > 1;
        }
    return d;
}

// Every PNG below `root`, by its path relative to it.
std::set<fs::path> pngsBelow(const fs::path& root) {
    std::set<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().extension() == ".png")
            found.insert(fs::relative(entry.path(), root));
    return found;
}

int compareAll(const fs::path& before, const fs::path& after, int tolerance) {
    const std::set<fs::path> names = pngsBelow(before), others = pngsBelow(after);
    int identical = 0, withinTolerance = 0, failed = 0, largest = 0;
    for (const fs::path& name : others)
        if (!names.contains(name)) {
            std::printf("only in %s: %s\n", after.c_str(), name.c_str());
            ++failed;
        }
    for (const fs::path& name : names) {
        if (!others.contains(name)) {
            std::printf("only in %s: %s\n", before.c_str(), name.c_str());
            ++failed;
            continue;
        }
        const std::string a = readFile(before / name), b = readFile(after / name);
        if (a == b) {
            ++identical;
            continue;
        }
        const Difference d =
            compareImages(Bitmap::decodePNG(a)->toImage(), Bitmap::decodePNG(b)->toImage());
        if (!d.sameSize) {
            std::printf("%s: sizes differ\n", name.c_str());
            ++failed;
            continue;
        }
        largest = std::max(largest, d.largest);
        if (d.largest == 0) {
            ++identical; // same pixels, other bytes
            continue;
        }
        const bool ok = d.largest <= tolerance;
        (ok ? withinTolerance : failed) += 1;
        std::printf("%s: %ld of %ld pixels differ (%.4f %%), %ld by more than 1, at most %d (at "
                    "%d, %d)%s\n",
                    name.c_str(), d.differing, d.pixels, 100.0 * d.differing / d.pixels,
                    d.beyondOne, d.largest, d.worstX, d.worstY, ok ? "" : "  BEYOND TOLERANCE");
    }
    std::printf("%zu files: %d identical, %d within %d, %d failed; largest difference %d\n",
                names.size(), identical, withinTolerance, tolerance, failed, largest);
    return failed == 0 ? 0 : 1;
}

int usage() {
    std::fprintf(stderr, "usage: ring_snapshots write DIR\n"
                         "       ring_snapshots compare A B [--tolerance N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "write" && argc == 3)
            return writeAll(argv[2]);
        if (command == "compare" && (argc == 4 || argc == 6)) {
            int tolerance = 1;
            if (argc == 6) {
                if (std::string(argv[4]) != "--tolerance")
                    return usage();
                tolerance = std::atoi(argv[5]);
            }
            return compareAll(argv[2], argv[3], tolerance);
        }
        return usage();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ring_snapshots: %s\n", error.what());
        return 1;
    }
}
