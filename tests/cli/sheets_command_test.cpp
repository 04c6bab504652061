// The three sheet options run through the built executable. What the sheets
// hold, their order and the replacing of old files are the sheet writer's own
// tests; here each option's record, summary line and files.
#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "support/json_decode.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace garbello::test {
namespace {

TEST(SheetCommandTest, EachOptionWritesAndReportsItsSheets) {
    // The option, how many sheets and the first's name and size, and the start
    // of the last diagnostic line.
    const std::tuple<const char*, std::size_t, const char*, int, int, const char*> cases[] = {
        {"--render-sheets", 3, "garbello-light.png", 1680, 1760,
         "[renderer] Rendered contact sheet: "},
        {"--render-variants", 6, "variants-Hawaiian.png", 1800, 1900,
         "[renderer] Rendered ten variants, light/dark and detail: "},
        {"--render-corners", 50, "corners-hawaiian-0.png", 1500, 1790,
         "[renderer] Corner matrix: 50, 3 sizes/radii \u00d7 light/dark \u00d7 6 crops\n"},
    };
    for (const auto& [option, count, first, width, height, summary] : cases) {
        SCOPED_TRACE(option);
        TemporaryDirectory temporary;
        const auto result = runProcess(garbelloPath(), {option, temporary.path().string()});
        ASSERT_EQ(result.status, 0) << result.err;
        const Json record = Json::parse(result.out);
        EXPECT_EQ(record["headless"], true);
        ASSERT_EQ(record["files"].size(), count);
        EXPECT_EQ(record["files"][0], (temporary / first).string());
        std::vector<std::string> listed;
        for (const std::string file : record["files"])
            listed.push_back(std::filesystem::path(file).filename());
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(entryNames(temporary.path()), listed) << "only the sheets, no temporary files";
        const auto image = Bitmap::decodePNG(readFile(temporary / first));
        EXPECT_EQ(image->width(), width);
        EXPECT_EQ(image->height(), height);
        const std::string lastLine =
            result.err.substr(result.err.rfind('\n', result.err.size() - 2) + 1);
        EXPECT_TRUE(lastLine.starts_with(summary)) << result.err;
    }
}

} // namespace
} // namespace garbello::test
