#include "draw/bitmap.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"
#include "write_json.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Runs the built executable and compares standard output, standard error and
// the exit status exactly.
namespace garbello::test {
namespace {

ProcessResult run(const std::vector<std::string>& arguments) {
    return runProcess(garbelloPath(), arguments);
}

const std::string kNoDisplay =
    "No X display (DISPLAY is not set); the desktop application needs X11";

void expectFailure(const std::vector<std::string>& arguments, const std::string& message) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    auto result = run(arguments);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Garbello: " + message + "\n");
    EXPECT_EQ(result.status, 1);
}

// The record's titles are pinned where they are used (variant replies); here
// its form: one compact sorted line, ten titled variants per outfit.
TEST(CommandLineTest, DiagnosticsAndHelpIgnoreTheOtherArguments) {
    const auto diagnostics = run({"--diagnostics"});
    const Json record = Json::parse(diagnostics.out);
    EXPECT_EQ(diagnostics.out, jsonLine(record));
    EXPECT_EQ(record["outfits"],
              Json::parse(R"(["hawaiian","rainJacket","snowGear","sweater","linen"])"));
    EXPECT_EQ(record["headless"], true);
    EXPECT_EQ(record["desktopAccessed"], false);
    EXPECT_EQ(record["telemetry"], false);
    for (const std::string outfit : record["outfits"]) {
        ASSERT_EQ(record["variants"][outfit].size(), 10u) << outfit;
        for (int id = 0; id < 10; ++id) {
            EXPECT_EQ(record["variants"][outfit][id]["id"], id) << outfit;
            EXPECT_FALSE(record["variants"][outfit][id]["name"].get<std::string>().empty());
        }
    }
    const auto help = run({"--help"});
    EXPECT_TRUE(help.out.starts_with("Garbello\n  --diagnostics ")) << help.out;
    const std::pair<std::vector<std::string>, ProcessResult> cases[] = {
        {{"--diagnostics"}, diagnostics},
        {{"--silent", "--headless", "--silent"}, diagnostics},
        {{"--diagnostics", "--headless", "extra", "--render"}, diagnostics},
        {{"--help"}, help},
        {{"--headless", "--help", "extra"}, help},
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        auto result = run(arguments);
        EXPECT_EQ(result.out, expected.out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.status, 0);
    }
}

TEST(CommandLineTest, FailuresNameTheirReason) {
    TemporaryDirectory temporary;
    const std::string directory = temporary.path().string(), blocker = directory + "/file";
    writeFileAtomically(blocker, "not a directory");
    const std::string unknown = "Unknown option. Use --help.";
    const std::string renderUI = "Usage: --render-ui SCREEN light|dark /absolute/output.png";
    const std::string render = "Usage: --render OUTFIT /absolute/output.png";
    const std::string sheets = "Could not create directory " + blocker + "/sheets: Not a directory";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--Diagnostics"}, unknown},
        {{"--diagnostics=yes"}, unknown},
        {{""}, unknown},
        {{"--renderx", "a", "/b"}, unknown},
        {{"--headless", "--update-receipt", "/tmp/receipt.json"}, unknown},
        {{"--complete-update", "a", "b"}, "Update plan required"},
        {{"--render-ui", "general", "light"}, renderUI},
        {{"--render-ui", "general", "dark", "x.png"}, renderUI},
        {{"--render-ui-sheets", "relative"}, "Usage: --render-ui-sheets /absolute/directory"},
        {{"--render-sheets", "/a", "/b"}, "Usage: --render-sheets /absolute/directory"},
        {{"--render-variants", "relative"}, "Usage: --render-variants /absolute/directory"},
        {{"--render-corners", "relative"}, "Usage: --render-corners /absolute/directory"},
        {{"--render", "hawaiian"}, render},
        {{"--render", "sweater", blocker + "/x.png"},
         "Could not create directory " + blocker + ": Not a directory"},
        {{"--render-sheets", blocker + "/sheets"}, sheets},
        {{"--render-variants", blocker + "/sheets"}, sheets},
        {{"--render-corners", blocker + "/sheets"}, sheets},
        {{"--complete-update", directory + "/missing/plan.json"},
         "Could not read " + directory + "/missing/plan.json: No such file or directory"},
        {{"--render", "plaid", "/tmp/a.png"}, "Unknown outfit: plaid"},
        {{"--render", "Hawaiian", "relative.png"}, "Unknown outfit: Hawaiian"},
        // --headless and --silent are removed wherever they stand before arity counts.
        {{"--render", "--headless", "hawaiian", "--silent", "rel.png"},
         "Output must be an absolute path"},
        // Without --headless, no arguments or a launch receipt start the desktop
        // application, which needs an X display.
        {{}, kNoDisplay},
        {{"--silent", "--update-receipt"}, kNoDisplay},
    };
    // Put back as they were once the test is done.
    ScopedEnvironment display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr);
    for (const auto& [arguments, message] : cases)
        expectFailure(arguments, message);
    EXPECT_FALSE(std::filesystem::exists("relative")) << "a refused directory is not made";
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    expectFailure({}, "No X display (this Wayland session offers no X11 through DISPLAY); the "
                      "desktop application needs X11");
    ::setenv("DISPLAY", ":97531", 1);
    expectFailure({}, "Cannot connect to the X display \":97531\"; the desktop application "
                      "needs X11");
}

TEST(CommandLineTest, InstallPutsTheBundleAndAMenuEntryAndUninstallTakesExactlyThose) {
    TemporaryDirectory root;
    std::filesystem::create_directories(root / "opt" / "Other.app");
    const auto installed = runProcess(GARBELLO_INSTALL_SCRIPT, {"--root", root.path().string()});
    ASSERT_EQ(installed.status, 0) << installed.err;
    const auto executable = root / "opt/Garbello.app/Contents/MacOS/Garbello";
    EXPECT_EQ(runProcess(executable.string(), {"--diagnostics"}).status, 0);
    const std::string entry = readFile(root / "usr/local/share/applications/garbello.desktop");
    EXPECT_NE(entry.find("\nExec=/opt/Garbello.app/Contents/MacOS/Garbello\n"), std::string::npos);

    ASSERT_EQ(
        runProcess(GARBELLO_INSTALL_SCRIPT, {"--uninstall", "--root", root.path().string()}).status,
        0);
    EXPECT_FALSE(std::filesystem::exists(root / "opt/Garbello.app"));
    EXPECT_FALSE(std::filesystem::exists(root / "usr/local/share/applications/garbello.desktop"));
    EXPECT_TRUE(std::filesystem::exists(root / "opt" / "Other.app"));
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

} // namespace
} // namespace garbello::test
