#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "support/json_decode.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Runs the built executable and compares standard output, standard error and
// the exit status exactly.
namespace garbello::test {
namespace {

// Every title in variant order, outfits sorted by key as the writer emits them.
const std::string kDiagnosticsLine =
    R"({"desktopAccessed":false,"headless":true,"minimumMacOS":"13.0","name":"Garbello",)"
    R"("outfits":["hawaiian","rainJacket","snowGear","sweater","linen"],)"
    R"("renderer":"CoreGraphics bitmap and offscreen AppKit","telemetry":false,"variants":{)"
    R"("hawaiian":[{"id":0,"name":"Lagoon hibiscus"},{"id":1,"name":"Coral lei"},{"id":2,"name":"Midnight palms"},{"id":3,"name":"Sunshine blooms"},{"id":4,"name":"Papaya fronds"},{"id":5,"name":"Ocean swell"},{"id":6,"name":"Guava petals"},{"id":7,"name":"Island vines"},{"id":8,"name":"Volcanic sunset"},{"id":9,"name":"Seafoam garden"}])"
    ","
    R"("linen":[{"id":0,"name":"Oatmeal weave"},{"id":1,"name":"Indigo ticking"},{"id":2,"name":"Sage windowpane"},{"id":3,"name":"Clay gingham"},{"id":4,"name":"Ivory herringbone"},{"id":5,"name":"Flax dots"},{"id":6,"name":"Denim selvedge"},{"id":7,"name":"Rose crosshatch"},{"id":8,"name":"Olive checks"},{"id":9,"name":"Sand ladder"}])"
    ","
    R"("rainJacket":[{"id":0,"name":"Harbor yellow"},{"id":1,"name":"Cobalt chevrons"},{"id":2,"name":"Poppy storm"},{"id":3,"name":"Forest snaps"},{"id":4,"name":"Cream regatta"},{"id":5,"name":"Plum raindrops"},{"id":6,"name":"Orange rescue"},{"id":7,"name":"Teal deck"},{"id":8,"name":"Navy signal"},{"id":9,"name":"Rose drizzle"}])"
    ","
    R"("snowGear":[{"id":0,"name":"Glacier down"},{"id":1,"name":"Cranberry peaks"},{"id":2,"name":"Pine diamonds"},{"id":3,"name":"Arctic stars"},{"id":4,"name":"Lavender quilt"},{"id":5,"name":"Copper expedition"},{"id":6,"name":"Midnight slopes"},{"id":7,"name":"Mint alpine"},{"id":8,"name":"Polar checks"},{"id":9,"name":"Berry ridge"}])"
    ","
    R"("sweater":[{"id":0,"name":"Terracotta knit"},{"id":1,"name":"Oat cable"},{"id":2,"name":"Heather argyle"},{"id":3,"name":"Forest Fair Isle"},{"id":4,"name":"Navy rib"},{"id":5,"name":"Honey herringbone"},{"id":6,"name":"Rose moss"},{"id":7,"name":"Alpine stripes"},{"id":8,"name":"Plum honeycomb"},{"id":9,"name":"Sea glass braid"}])"
    R"(},"version":"0.3.0"})"
    "\n";

const std::string kHelp =
    "Garbello\n"
    "  --diagnostics                  Safe JSON diagnostics; no desktop access\n"
    "  --render OUTFIT /absolute.png   Render a sample window off-screen\n"
    "  --render-sheets /absolute/dir   Render all garments in light/dark sheets\n"
    "  --render-corners /absolute/dir  Render four corners and both edges for every variant\n"
    "  --render-variants /absolute/dir Render ten variants per style + window assignment sheet\n"
    "  --render-ui SCREEN light|dark /absolute.png  Render one settings/setup screen\n"
    "  --test-settings-ui             Exercise settings controls offscreen\n"
    "  --render-ui-sheets /absolute/dir Render Settings and setup offscreen in light/dark\n"
    "  --repl                         JSON lines: diagnostics, outfit, render, variant, renderUI, "
    "renderUIScreen, testUI\n"
    "Run the installed app without arguments to show its menu-bar controls.\n";

ProcessResult run(const std::vector<std::string>& arguments) {
    return runProcess(garbelloPath(), arguments);
}

std::string shown(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments)
        text += argument + " ";
    return text;
}

void expectFailure(const std::vector<std::string>& arguments, const std::string& message) {
    auto result = run(arguments);
    EXPECT_EQ(result.out, "") << shown(arguments);
    EXPECT_EQ(result.err, "Garbello: " + message + "\n") << shown(arguments);
    EXPECT_EQ(result.status, 1) << shown(arguments);
}

TEST(CommandLineTest, DiagnosticsAndHelpByteForByte) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--diagnostics"}, kDiagnosticsLine},
        {{"--silent", "--headless", "--silent"}, kDiagnosticsLine},
        {{"--diagnostics", "--headless", "extra", "--render"}, kDiagnosticsLine},
        {{"--help"}, kHelp},
        {{"--headless", "--help", "extra"}, kHelp},
    };
    for (const auto& [arguments, out] : cases) {
        auto result = run(arguments);
        EXPECT_EQ(result.out, out) << shown(arguments);
        EXPECT_EQ(result.err, "") << shown(arguments);
        EXPECT_EQ(result.status, 0) << shown(arguments);
    }
}

TEST(CommandLineTest, FailuresNameTheirReason) {
    const std::string unknown = "Unknown option. Use --help.";
    const std::string renderUI = "Usage: --render-ui SCREEN light|dark /absolute/output.png";
    const std::string render = "Usage: --render OUTFIT /absolute/output.png";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--Diagnostics"}, unknown},
        {{"--Headless"}, unknown},
        {{"--diagnostics=yes"}, unknown},
        {{"-h"}, unknown},
        {{"diagnostics"}, unknown},
        {{""}, unknown},
        {{"--renderx", "a", "/b"}, unknown},
        {{"--headless", "--update-receipt", "/tmp/receipt.json"}, unknown},
        {{"--complete-update", "a", "b"}, "Update plan required"},
        {{"--render-ui", "general", "light"}, renderUI},
        {{"--render-ui", "general", "Dark", "/tmp/x.png"}, renderUI},
        {{"--render-ui", "general", "dark", "x.png"}, renderUI},
        {{"--render-ui-sheets", "relative"}, "Usage: --render-ui-sheets /absolute/directory"},
        {{"--render-sheets", "/a", "/b"}, "Usage: --render-sheets /absolute/directory"},
        {{"--render", "hawaiian"}, render},
        {{"--render", "hawaiian", "/tmp/a.png", "extra"}, render},
        {{"--render", "plaid", "/tmp/a.png"}, "Unknown outfit: plaid"},
        {{"--render", "Hawaiian", "relative.png"}, "Unknown outfit: Hawaiian"},
        // --headless and --silent are removed wherever they stand before arity counts.
        {{"--render", "--headless", "hawaiian", "--silent", "rel.png"},
         "Output must be an absolute path"},
        // Commands whose work this build does not carry never pretend to succeed.
        {{"--render-ui", "general", "dark", "/tmp/x.png"},
         "The settings window renderer is not in this build yet"},
        {{"--test-settings-ui", "anything"},
         "The settings window self-test is not in this build yet"},
        // Without --headless, no arguments or a launch receipt start the desktop application.
        {{}, "The desktop application is not in this build yet"},
        {{"--silent", "--update-receipt"}, "The desktop application is not in this build yet"},
    };
    for (const auto& [arguments, message] : cases)
        expectFailure(arguments, message);
}

TEST(CommandLineTest, CompleteUpdateReportsAPlanItCannotUse) {
    TemporaryDirectory temporary;
    std::string directory = temporary.path().string();
    expectFailure({"--complete-update", directory + "/missing/plan.json"},
                  "Could not read " + directory + "/missing/plan.json: No such file or directory");
    writeFileAtomically(directory + "/plan.json", "{\"destination\": 1}");
    expectFailure({"--headless", "--complete-update", directory + "/plan.json"},
                  DecodingError::typeMismatch("destination", "a string").what());
}

TEST(CommandLineTest, RenderWritesTheSampleWindowAsPngAndPrintsItsRecord) {
    TemporaryDirectory scratch;
    for (const std::string outfit : {"hawaiian", "linen"}) {
        // Missing parent directories are created.
        const std::string output = (scratch.path() / "nested" / outfit / "x.png").string();
        auto result = run({"--render", outfit, output});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string bytes = readFile(output);
        EXPECT_EQ(result.out, R"({"bytes":)" + std::to_string(bytes.size()) + R"(,"file":")" +
                                  escapedSlashes(output) + R"(","outfit":")" + outfit +
                                  R"(","variant":0})" + "\n");
        const auto image = Bitmap::decodePNG(bytes);
        EXPECT_EQ(image->width(), 672);
        EXPECT_EQ(image->height(), 432);
        // The opaque sample window inside a border that leaves the corners clear.
        EXPECT_EQ(image->pixel(336, 200).alpha, 255);
        EXPECT_EQ(image->pixel(336, 4).alpha, 255);
        EXPECT_EQ(image->pixel(0, 0).alpha, 0);
    }
    // No temporary files are left beside the output.
    EXPECT_EQ(entryNames(scratch / "nested" / "linen"), std::vector<std::string>{"x.png"});
}

TEST(CommandLineTest, RenderThatCannotWriteReportsTheFileError) {
    TemporaryDirectory scratch;
    const std::string blocker = (scratch / "file").string();
    writeFileAtomically(blocker, "not a directory");
    expectFailure({"--render", "sweater", blocker + "/x.png"},
                  "Could not create directory " + blocker + ": Not a directory");
    EXPECT_EQ(readFile(blocker), "not a directory");
}

} // namespace
} // namespace garbello::test
