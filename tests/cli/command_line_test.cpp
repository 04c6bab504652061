#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "support/json_decode.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
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

void expectFailure(const std::vector<std::string>& arguments, const std::string& message) {
    std::string shown;
    for (const auto& argument : arguments)
        shown += argument + " ";
    auto result = run(arguments);
    EXPECT_EQ(result.out, "") << shown;
    EXPECT_EQ(result.err, "Garbello: " + message + "\n") << shown;
    EXPECT_EQ(result.status, 1) << shown;
}

void expectDiagnostics(const std::vector<std::string>& arguments) {
    auto result = run(arguments);
    EXPECT_EQ(result.out, kDiagnosticsLine);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

TEST(CommandLineTest, DiagnosticsLineByteForByte) {
    expectDiagnostics({"--diagnostics"});
    expectDiagnostics({"--headless"});
    expectDiagnostics({"--silent", "--headless", "--diagnostics"});
    expectDiagnostics({"--diagnostics", "--headless", "extra", "--render"});
    expectDiagnostics({"--headless", "--silent"});
}

TEST(CommandLineTest, HelpVerbatim) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--help"}, {"--help", "extra"}, {"--headless", "--help"}, {"--help", "--silent"}}) {
        auto result = run(arguments);
        EXPECT_EQ(result.out, kHelp);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.status, 0);
    }
}

TEST(CommandLineTest, UnknownOptionsAreRejected) {
    const std::vector<std::vector<std::string>> cases = {
        {"--Diagnostics"},
        {"--HELP"},
        {"--diagnostics=yes"},
        {"--render=hawaiian"},
        {"-h"},
        {"-d"},
        {"diagnostics"},
        {"--"},
        {""},
        {"--renderx", "a", "/b"},
        {"--update-receipt", "--headless"},
        {"--headless", "--update-receipt", "/tmp/receipt.json"},
        {"--silent", "--unknown"},
    };
    for (const auto& arguments : cases)
        expectFailure(arguments, "Unknown option. Use --help.");
}

TEST(CommandLineTest, UsageMessages) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--complete-update"}, "Update plan required"},
        {{"--complete-update", "a", "b"}, "Update plan required"},
        {{"--render-ui", "general", "light"},
         "Usage: --render-ui SCREEN light|dark /absolute/output.png"},
        {{"--render-ui", "general", "Dark", "/tmp/x.png"},
         "Usage: --render-ui SCREEN light|dark /absolute/output.png"},
        {{"--render-ui", "general", "dark", "x.png"},
         "Usage: --render-ui SCREEN light|dark /absolute/output.png"},
        {{"--render-ui", "general", "dark", "/tmp/x.png", "more"},
         "Usage: --render-ui SCREEN light|dark /absolute/output.png"},
        {{"--render-ui-sheets"}, "Usage: --render-ui-sheets /absolute/directory"},
        {{"--render-ui-sheets", "relative"}, "Usage: --render-ui-sheets /absolute/directory"},
        {{"--render-sheets", "relative/dir"}, "Usage: --render-sheets /absolute/directory"},
        {{"--render-sheets", "/a", "/b"}, "Usage: --render-sheets /absolute/directory"},
        {{"--render-corners"}, "Usage: --render-corners /absolute/directory"},
        {{"--render-corners", "~/dir"}, "Usage: --render-corners /absolute/directory"},
        {{"--render-variants", ""}, "Usage: --render-variants /absolute/directory"},
        {{"--render"}, "Usage: --render OUTFIT /absolute/output.png"},
        {{"--render", "hawaiian"}, "Usage: --render OUTFIT /absolute/output.png"},
        {{"--render", "hawaiian", "/tmp/a.png", "extra"},
         "Usage: --render OUTFIT /absolute/output.png"},
        {{"--render", "hawaiian", "relative.png"}, "Output must be an absolute path"},
        {{"--render", "plaid", "/tmp/a.png"}, "Unknown outfit: plaid"},
        {{"--render", "Hawaiian", "relative.png"}, "Unknown outfit: Hawaiian"},
        // --headless and --silent are removed wherever they stand before arity counts.
        {{"--render", "--headless", "hawaiian", "--silent", "rel.png"},
         "Output must be an absolute path"},
    };
    for (const Case& c : cases)
        expectFailure(c.arguments, c.message);
}

TEST(CommandLineTest, CommandsWithoutTheirWorkYetSayWhatIsMissing) {
    // Once their arguments pass, these commands name the part of the program
    // this build does not carry; they never pretend to succeed.
    const std::vector<std::vector<std::string>> cases = {
        {"--render-ui", "general", "dark", "/tmp/x.png"},
        {"--test-settings-ui", "anything"},
    };
    for (const auto& arguments : cases) {
        auto result = run(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("Garbello: ")) << result.err;
        EXPECT_NE(result.err.find("not in this build yet"), std::string::npos) << result.err;
        EXPECT_EQ(result.status, 1);
    }
}

TEST(CommandLineTest, CompleteUpdateReportsAPlanItCannotUse) {
    TemporaryDirectory temporary;
    std::string directory = temporary.path().string();
    expectFailure({"--complete-update", directory + "/missing/plan.json"},
                  "Could not read " + directory + "/missing/plan.json: No such file or directory");
    writeFileAtomically(directory + "/plan.json", "{\"destination\": 1}");
    expectFailure({"--headless", "--complete-update", directory + "/plan.json"},
                  DecodingError::typeMismatch("destination", "a string").what());

    // A readable plan for a copy outside the applications folder is refused
    // before anything is touched.
    const std::string plan =
        R"({"destination":")" + directory + R"(/Garbello.app","staged":")" + directory +
        R"(/.Garbello-update-1.app","parentPID":1,"receipt":")" + directory +
        R"(/ready","workspace":")" + directory +
        R"(","release":{"version":"9.0","build":90,"minimum_macos":"2.17",)"
        R"("dmg_url":"https://releases.garbello.app/g.tar.gz","byte_size":1,)"
        R"("sha256":"0000000000000000000000000000000000000000000000000000000000000000",)"
        R"("release_notes":"n","published":"2026-11-07T23:00:00Z"}})";
    std::filesystem::create_directories(directory + "/Garbello.app");
    writeFileAtomically(directory + "/plan.json", plan);
    expectFailure({"--complete-update", directory + "/plan.json"},
                  "Move Garbello to Applications to update it here. You can also open the "
                  "download in Finder.");
    EXPECT_TRUE(std::filesystem::exists(directory + "/Garbello.app"));
}

TEST(CommandLineTest, TheApplicationWritesItsLaunchReceipt) {
    TemporaryDirectory temporary;
    std::string directory = temporary.path().string();
    std::string receipt = directory + "/ready";
    run({"--update-receipt", receipt});
    EXPECT_EQ(readFile(receipt), "0.3.0");
}

TEST(CommandLineTest, TheDesktopApplicationPathIsTakenWithoutArguments) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"--silent"}, {"--update-receipt"}}) {
        auto result = run(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "Garbello: The desktop application is not in this build yet\n");
        EXPECT_EQ(result.status, 1);
    }
}

TEST(CommandLineTest, RenderWritesTheSampleWindowAsPngAndPrintsItsRecord) {
    TemporaryDirectory scratch;
    for (const std::string outfit : {"hawaiian", "linen"}) {
        // Missing parent directories are created.
        const std::string output = (scratch.path() / "nested" / outfit / "x.png").string();
        auto result = run({"--render", outfit, output});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string bytes = garbello::readFile(output);
        EXPECT_EQ(result.out, R"({"bytes":)" + std::to_string(bytes.size()) + R"(,"file":")" +
                                  escapedSlashes(output) + R"(","outfit":")" + outfit +
                                  R"(","variant":0})" + "\n");
        const auto image = Bitmap::decodePNG(bytes);
        EXPECT_EQ(image->width(), 672);
        EXPECT_EQ(image->height(), 432);
    }
    // No temporary files are left beside the output.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(scratch.path() / "nested" / "linen"),
                      std::filesystem::directory_iterator()),
        1);
}

TEST(CommandLineTest, RenderThatCannotWriteReportsTheFileError) {
    TemporaryDirectory scratch;
    const std::string blocker = (scratch.path() / "file").string();
    garbello::writeFileAtomically(blocker, "not a directory");
    auto result = run({"--render", "sweater", blocker + "/x.png"});
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with("Garbello: ")) << result.err;
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(garbello::readFile(blocker), "not a directory");
}

} // namespace
} // namespace garbello::test
