// The settings and setup screens rendered, and the settings controls
// exercised, by the built executable on the offscreen platform.
#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "support/json_decode.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace garbello::test {
namespace {

std::string rendered(const std::filesystem::path& file) {
    return "[settings-ui] Rendered " + file.string() + "\n";
}

TEST(SettingsUICommandTest, EveryScreenRendersTheWholeCanvas) {
    TemporaryDirectory temporary;
    bool dark = false; // light and dark by turns
    for (const std::string screen :
         {"settings-outfits", "settings-weather:failure", "settings-appearance:shared",
          "settings-apps:overflow", "settings-general:approval", "settings-updates", "setup-1",
          "setup-2:results", "setup-3:granted", "setup-4:manual", "setup-5:off", "setup-6:empty",
          "update-prompt:denied"}) {
        const auto file = temporary / ("nested/" + screen + ".png");
        const auto result =
            runProcess(garbelloPath(), {"--render-ui", screen, dark ? "dark" : "light", file});
        dark = !dark;
        ASSERT_EQ(result.status, 0) << screen << ": " << result.err;
        EXPECT_EQ(result.out, R"({"file":")" + escapedSlashes(file) + "\",\"headless\":true}\n");
        EXPECT_EQ(result.err, rendered(file));
        const auto image = Bitmap::decodePNG(readFile(file));
        EXPECT_EQ(image->width(), 1000) << screen;
        EXPECT_EQ(image->height(), 760) << screen;
    }
    // The same command gives the same bytes.
    const auto again = temporary / "again.png";
    runProcess(garbelloPath(), {"--render-ui", "setup-4:manual", "dark", again});
    EXPECT_EQ(readFile(again), readFile(temporary / "nested/setup-4:manual.png"));
}

TEST(SettingsUICommandTest, UnknownScreensAndUnwritableFilesFail) {
    TemporaryDirectory temporary;
    const std::string unknown = "Unknown configuration screen or preview scenario.";
    const auto blocker = temporary / "file";
    writeFileAtomically(blocker, "x");
    const std::string blocked =
        "Could not create directory " + blocker.string() + ": Not a directory";
    // A known screen fails on the file only.
    for (const std::string screen :
         {"setup-0", "setup-7", "setup-10", "settings-Outfits", "settings-general:nope",
          "settings-general:", "outfits", "update-prompt:Default", "setup-3"}) {
        const auto result =
            runProcess(garbelloPath(), {"--render-ui", screen, "light", (blocker / "x.png")});
        EXPECT_EQ(result.out, "") << screen;
        EXPECT_EQ(result.err, "Garbello: " + (screen == "setup-3" ? blocked : unknown) + "\n")
            << screen;
        EXPECT_EQ(result.status, 1) << screen;
    }
}

TEST(SettingsUICommandTest, SheetsWriteTwentyFourScreensInOrderAndKeepThemOnFailure) {
    TemporaryDirectory temporary;
    const auto directory = temporary / "sheets";
    const auto result = runProcess(garbelloPath(), {"--render-ui-sheets", directory});
    ASSERT_EQ(result.status, 0) << result.err;
    Json files = Json::array();
    std::string lines;
    for (const std::string appearance : {"light", "dark"})
        for (const std::string screen :
             {"settings-outfits", "settings-weather", "settings-appearance", "settings-apps",
              "settings-general", "settings-updates", "setup-1", "setup-2", "setup-3", "setup-4",
              "setup-5", "setup-6"}) {
            const auto file = directory / (screen + "-" + appearance + ".png");
            files.push_back(file.string());
            lines += rendered(file);
        }
    EXPECT_EQ(Json::parse(result.out), (Json{{"files", files}, {"headless", true}}));
    EXPECT_EQ(result.err, lines);

    // A file that cannot be written stops the run; what came before stays.
    const auto blocked = temporary / "blocked";
    std::filesystem::create_directories(blocked / "settings-apps-light.png" / "in-the-way");
    const auto failed = runProcess(garbelloPath(), {"--render-ui-sheets", blocked});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_TRUE(failed.err.ends_with("Is a directory\n")) << failed.err;
    EXPECT_EQ(
        entryNames(blocked),
        (std::vector<std::string>{"settings-appearance-light.png", "settings-apps-light.png",
                                  "settings-outfits-light.png", "settings-weather-light.png"}));
}

TEST(SettingsUICommandTest, SelfTestPassesEveryCheckInOrder) {
    const auto result = runProcess(garbelloPath(), {"--test-settings-ui", "ignored"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json record = Json::parse(result.out);
    EXPECT_EQ(record["headless"], true);
    ASSERT_EQ(record["checks"].size(), 24u);
    EXPECT_EQ(record["checks"][0],
              "Six fixture application icons contain decoded, nonblank bitmap pixels");
    EXPECT_NE(result.err.find("[settings-ui] Active setup badge 6 in Aqua: "), std::string::npos);
}

TEST(SettingsUICommandTest, ProtocolOperationsReplyWithTheirWork) {
    TemporaryDirectory temporary;
    const auto screen = temporary / "screen.png";
    const std::string requests =
        R"({"operation":"renderUIScreen","screen":"setup-2","dark":true,"output":")" +
        screen.string() + "\"}\n" + R"({"operation":"renderUI","output":")" +
        (temporary / "ui").string() + "\"}\n" +
        R"({"operation":"testUI"})"
        "\n";
    const auto result = runProcess(garbelloPath(), {"--repl"}, requests);
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<Json> replies;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        replies.push_back(Json::parse(line));
    ASSERT_EQ(replies.size(), 3u) << result.out;
    EXPECT_EQ(replies[0], (Json{{"file", screen.string()}, {"headless", true}}));
    EXPECT_EQ(replies[1]["files"][23], (temporary / "ui" / "setup-6-dark.png").string());
    EXPECT_EQ(replies[2]["checks"].size(), 24u);
    EXPECT_TRUE(result.err.starts_with(rendered(screen))) << result.err;
}

} // namespace
} // namespace garbello::test
