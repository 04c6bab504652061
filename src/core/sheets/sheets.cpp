#include "sheets/sheets.h"

#include "sheets/sheet.h"
#include "support/atomic_file.h"
#include "support/ordered_work.h"

#include <cmath>

namespace garbello {
namespace sheets {
namespace {

constexpr const char* kRegularFont = "HelveticaNeue";
constexpr const char* kHeadingFont = "HelveticaNeue-Medium";

} // namespace

void text(DrawingSurface& surface, std::string_view line, double size, const Ink& ink,
          Point origin) {
    surface.drawText(line, {kRegularFont, size}, ink, origin);
}

void heading(DrawingSurface& surface, std::string_view line, double size, const Ink& ink,
             Point origin) {
    surface.drawText(line, {kHeadingFont, size}, ink, origin);
}

void fillBackground(Bitmap& bitmap, const Ink& ink) {
    bitmap.surface().fillRect({0, 0, double(bitmap.width()), double(bitmap.height())}, ink);
}

std::string wholeNumber(double number) {
    return std::to_string(std::llround(number));
}

RenderedSheet render(const Sheet& sheet) {
    Bitmap bitmap(static_cast<int>(std::ceil(sheet.canvas.width)),
                  static_cast<int>(std::ceil(sheet.canvas.height)));
    RenderedSheet rendered;
    sheet.paint(bitmap, rendered.notes);
    rendered.png = bitmap.encodePNG(Bitmap::Compression::fast);
    return rendered;
}

std::vector<std::filesystem::path> writeSheets(const std::filesystem::path& directory,
                                               const std::vector<Sheet>& sheets,
                                               const NoteSink& note) {
    // A directory that cannot be made fails now, not after the first sheet
    // was painted for nothing.
    createDirectories(directory);
    std::vector<std::filesystem::path> written;
    runInOrder<RenderedSheet>(
        sheets.size(), [&](std::size_t index) { return render(sheets[index]); },
        [&](std::size_t index, RenderedSheet&& sheet) {
            for (const std::string& line : sheet.notes)
                note(line);
            const std::filesystem::path path = directory / sheets[index].fileName;
            writeFileAtomically(path, sheet.png);
            written.push_back(path);
        });
    return written;
}

} // namespace sheets

namespace PatternRenderer {
namespace {

std::string joined(const std::vector<std::filesystem::path>& paths) {
    std::string list;
    for (const auto& path : paths)
        list += (list.empty() ? "" : ", ") + path.string();
    return list;
}

} // namespace

std::vector<std::filesystem::path> contactSheets(const std::filesystem::path& directory,
                                                 const sheets::NoteSink& note) {
    const auto paths = sheets::writeSheets(directory, sheets::contactSheets(), note);
    note("Rendered enlarged cloth details: " + paths.back().string());
    note("Rendered contact sheet: " + joined(paths) + " \u2014 5 outfits \u00d7 3 window sizes");
    return paths;
}

std::vector<std::filesystem::path> variantSheets(const std::filesystem::path& directory,
                                                 const sheets::NoteSink& note) {
    const auto paths = sheets::writeSheets(directory, sheets::variantSheets(), note);
    note("Rendered ten variants, light/dark and detail: " + joined(paths));
    return paths;
}

std::vector<std::filesystem::path> cornerSheets(const std::filesystem::path& directory,
                                                const sheets::NoteSink& note) {
    const auto paths = sheets::writeSheets(directory, sheets::cornerSheets(), note);
    note("Corner matrix: " + std::to_string(paths.size()) +
         ", 3 sizes/radii \u00d7 light/dark \u00d7 6 crops");
    return paths;
}

} // namespace PatternRenderer
} // namespace garbello
