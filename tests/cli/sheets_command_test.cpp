// The three sheet options run through the built executable.
#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace garbello::test {
namespace {

struct ExpectedSheet {
    std::string name;
    int width, height;
};

struct SheetOption {
    std::string option;
    std::vector<ExpectedSheet> sheets;
    // The diagnostic lines for the written paths, in order.
    std::function<std::string(const std::vector<std::string>& paths)> diagnostics;
};

std::string joined(const std::vector<std::string>& paths, std::size_t count) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += (i ? ", " : "") + paths[i];
    return list;
}

const std::vector<std::string> kSweaterAssignments = {
    "[renderer] Sample assignment: window=4101, sweater variant=Honey herringbone\n",
    "[renderer] Sample assignment: window=4102, sweater variant=Rose moss\n",
    "[renderer] Sample assignment: window=4103, sweater variant=Alpine stripes\n",
    "[renderer] Sample assignment: window=4104, sweater variant=Terracotta knit\n",
    "[renderer] Sample assignment: window=4105, sweater variant=Oat cable\n",
    "[renderer] Sample assignment: window=4106, sweater variant=Heather argyle\n",
};

SheetOption contactOption() {
    return {"--render-sheets",
            {{"garbello-light.png", 1680, 1760},
             {"garbello-dark.png", 1680, 1760},
             {"garbello-details.png", 1680, 1430}},
            [](const std::vector<std::string>& paths) {
                return "[renderer] Rendered enlarged cloth details: " + paths[2] + "\n" +
                       "[renderer] Rendered contact sheet: " + joined(paths, 3) +
                       " \u2014 5 outfits \u00d7 3 window sizes\n";
            }};
}

SheetOption variantOption() {
    std::vector<ExpectedSheet> sheets;
    for (const char* name : {"Hawaiian", "rainJacket", "snowGear", "sweater", "linen"})
        sheets.push_back({std::string("variants-") + name + ".png", 1800, 1900});
    sheets.push_back({"variants-windows.png", 1800, 1220});
    return {"--render-variants", sheets, [](const std::vector<std::string>& paths) {
                std::string lines;
                for (const auto& line : kSweaterAssignments)
                    lines += line;
                return lines + "[renderer] Rendered ten variants, light/dark and detail: " +
                       joined(paths, 6) + "\n";
            }};
}

SheetOption cornerOption() {
    std::vector<ExpectedSheet> sheets;
    for (const char* outfit : {"hawaiian", "rainJacket", "snowGear", "sweater", "linen"})
        for (int variant = 0; variant < 10; ++variant)
            sheets.push_back(
                {std::string("corners-") + outfit + "-" + std::to_string(variant) + ".png", 1500,
                 1790});
    return {
        "--render-corners", sheets, [](const std::vector<std::string>&) {
            return std::string(
                "[renderer] Corner matrix: 50, 3 sizes/radii \u00d7 light/dark \u00d7 6 crops\n");
        }};
}

void expectSheetsWritten(const SheetOption& option) {
    TemporaryDirectory temporary;
    const std::filesystem::path directory = temporary / "sheets";
    std::filesystem::create_directory(directory);
    // A file of the same name is replaced.
    writeFileAtomically(directory / option.sheets[0].name, "old");

    const auto result = runProcess(garbelloPath(), {option.option, directory.string()});
    ASSERT_EQ(result.status, 0) << option.option << ": " << result.err;

    std::vector<std::string> paths, names;
    std::string files;
    for (const ExpectedSheet& sheet : option.sheets) {
        paths.push_back((directory / sheet.name).string());
        names.push_back(sheet.name);
        files += (files.empty() ? "\"" : ",\"") + escapedSlashes(paths.back()) + "\"";
    }
    EXPECT_EQ(result.out, "{\"files\":[" + files + "],\"headless\":true}\n");
    EXPECT_EQ(result.err, option.diagnostics(paths));

    std::sort(names.begin(), names.end());
    EXPECT_EQ(entryNames(directory), names) << "only the sheets, no temporary files";
    for (std::size_t i = 0; i < option.sheets.size(); ++i) {
        const auto image = Bitmap::decodePNG(readFile(paths[i]));
        EXPECT_EQ(image->width(), option.sheets[i].width) << paths[i];
        EXPECT_EQ(image->height(), option.sheets[i].height) << paths[i];
    }
}

TEST(SheetCommandTest, EachOptionWritesAndReportsItsSheets) {
    for (const SheetOption& option : {contactOption(), variantOption(), cornerOption()})
        expectSheetsWritten(option);
}

// A relative directory is refused before anything is written; one that cannot
// be made fails with the file error.
TEST(SheetCommandTest, UnusableDirectoriesAreRefused) {
    TemporaryDirectory temporary;
    const std::filesystem::path blocker = temporary / "file";
    writeFileAtomically(blocker, "not a directory");
    const std::string relative = "garbello-relative-sheets-" + std::to_string(::getpid());
    for (const std::string option : {"--render-sheets", "--render-variants", "--render-corners"}) {
        const std::pair<std::string, std::string> cases[] = {
            {relative, "Usage: " + option + " /absolute/directory"},
            {(blocker / "sheets").string(),
             "Could not create directory " + (blocker / "sheets").string() + ": Not a directory"},
        };
        for (const auto& [directory, message] : cases) {
            const auto result = runProcess(garbelloPath(), {option, directory});
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "Garbello: " + message + "\n");
            EXPECT_EQ(result.status, 1);
        }
        EXPECT_FALSE(std::filesystem::exists(relative)) << option;
    }
    EXPECT_EQ(readFile(blocker), "not a directory");
}

} // namespace
} // namespace garbello::test
