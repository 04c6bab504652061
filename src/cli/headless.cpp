#include "headless.h"

#include "diagnostics.h"
#include "headless_error.h"
#include "protocol.h"
#include "render/pattern_renderer.h"
#include "sample_render.h"
#include "settings_screens.h"
#include "sheets/sheets.h"
#include "update/update_installer.h"
#include "write_json.h"

#include <algorithm>
#include <array>
#include <functional>
#include <ostream>
#include <string_view>

namespace garbello {

const char* const kHelpText =
    "Garbello\n"
    "  --diagnostics                  Safe JSON diagnostics; no desktop access\n"
    "  --render OUTFIT /absolute.png   Render a sample window off-screen\n"
    "  --render-sheets /absolute/dir   Render all garments in light/dark sheets\n"
    "  --render-corners /absolute/dir  Render four corners and both edges for every variant\n"
    "  --render-variants /absolute/dir Render ten variants per style + window assignment sheet\n"
    "  --render-ui SCREEN light|dark /absolute.png  Render one settings/setup screen\n"
    "  --test-settings-ui             Exercise settings controls offscreen\n"
    "  --render-ui-sheets /absolute/dir Render Settings and setup offscreen in light/dark\n"
    "  --repl                         JSON lines: diagnostics, outfit, render, variant, "
    "renderUI, renderUIScreen, testUI\n"
    "Run the installed app without arguments to show its menu-bar controls.";

namespace {

bool isAbsolute(const std::string& path) {
    return path.starts_with('/');
}

// Arity counts the option itself.
void requireArity(const Arguments& arguments, std::size_t arity, const char* usage) {
    if (arguments.size() != arity)
        throw HeadlessError(usage);
}

void requireAbsoluteDirectory(const Arguments& arguments, const char* usage) {
    requireArity(arguments, 2, usage);
    if (!isAbsolute(arguments[1]))
        throw HeadlessError(usage);
}

// Runs a sheet renderer on the absolute directory the option names and prints
// the paths it wrote.
void renderSheets(
    const Arguments& arguments, HeadlessStreams streams, const char* usage,
    const std::function<std::vector<std::filesystem::path>(const std::filesystem::path&)>& sheets) {
    requireAbsoluteDirectory(arguments, usage);
    Json files = Json::array();
    for (const auto& path : sheets(arguments[1]))
        files.push_back(path.string());
    writeJSON({{"files", files}, {"headless", true}}, streams.out);
}

void completeUpdate(const Arguments& arguments, HeadlessStreams streams) {
    requireArity(arguments, 2, "Update plan required");
    UpdateInstaller().complete(arguments[1]);
    writeJSON({{"updated", true}}, streams.out);
}

void printDiagnostics(const Arguments&, HeadlessStreams streams) {
    writeJSON(diagnostics(), streams.out);
}

void renderSettingsScreen(const Arguments& arguments, HeadlessStreams streams) {
    constexpr const char* usage = "Usage: --render-ui SCREEN light|dark /absolute/output.png";
    requireArity(arguments, 4, usage);
    if ((arguments[2] != "light" && arguments[2] != "dark") || !isAbsolute(arguments[3]))
        throw HeadlessError(usage);
    settings_ui::renderScreen(arguments[1], arguments[2] == "dark", arguments[3]);
    writeJSON({{"file", arguments[3]}, {"headless", true}}, streams.out);
}

void testSettingsControls(const Arguments&, HeadlessStreams streams) {
    writeJSON({{"checks", settings_ui::verifyInteractions()}, {"headless", true}}, streams.out);
}

void renderSettingsSheets(const Arguments& arguments, HeadlessStreams streams) {
    renderSheets(arguments, streams, "Usage: --render-ui-sheets /absolute/directory",
                 settings_ui::renderSheets);
}

// The review sheets' notes go to standard error as they come, so a run that
// fails part way has still said what it did.
void renderReviewSheets(const Arguments& arguments, HeadlessStreams streams, const char* usage,
                        std::vector<std::filesystem::path> (*sheets)(const std::filesystem::path&,
                                                                     const sheets::NoteSink&)) {
    renderSheets(arguments, streams, usage, [sheets](const std::filesystem::path& directory) {
        return sheets(directory,
                      [](const std::string& note) { PatternRenderer::diagnostic(note); });
    });
}

void renderContactSheets(const Arguments& arguments, HeadlessStreams streams) {
    renderReviewSheets(arguments, streams, "Usage: --render-sheets /absolute/directory",
                       PatternRenderer::contactSheets);
}

void renderCornerSheets(const Arguments& arguments, HeadlessStreams streams) {
    renderReviewSheets(arguments, streams, "Usage: --render-corners /absolute/directory",
                       PatternRenderer::cornerSheets);
}

void renderVariantSheets(const Arguments& arguments, HeadlessStreams streams) {
    renderReviewSheets(arguments, streams, "Usage: --render-variants /absolute/directory",
                       PatternRenderer::variantSheets);
}

void renderSampleWindow(const Arguments& arguments, HeadlessStreams streams) {
    requireArity(arguments, 3, "Usage: --render OUTFIT /absolute/output.png");
    writeJSON(renderSample(arguments[1], arguments[2], ClothVariant::classic), streams.out);
}

void serveProtocol(const Arguments&, HeadlessStreams streams) {
    serveRequests(streams.in, streams.out);
}

void printHelp(const Arguments&, HeadlessStreams streams) {
    streams.out << kHelpText << '\n';
    streams.out.flush();
    if (!streams.out)
        throw Error("Could not write to standard output");
}

struct HeadlessOption {
    std::string_view name;
    void (*run)(const Arguments&, HeadlessStreams);
};

// Matched in this order, exactly and case-sensitively, against the first
// argument.
constexpr std::array kOptions{
    HeadlessOption{"--complete-update", completeUpdate},
    HeadlessOption{"--diagnostics", printDiagnostics},
    HeadlessOption{"--render-ui", renderSettingsScreen},
    HeadlessOption{"--test-settings-ui", testSettingsControls},
    HeadlessOption{"--render-ui-sheets", renderSettingsSheets},
    HeadlessOption{"--render-sheets", renderContactSheets},
    HeadlessOption{"--render-corners", renderCornerSheets},
    HeadlessOption{"--render-variants", renderVariantSheets},
    HeadlessOption{"--render", renderSampleWindow},
    HeadlessOption{"--repl", serveProtocol},
    HeadlessOption{"--help", printHelp},
};

} // namespace

void runHeadless(const Arguments& arguments, HeadlessStreams streams) {
    if (!arguments.empty()) {
        for (const HeadlessOption& option : kOptions) {
            if (arguments.front() == option.name) {
                option.run(arguments, streams);
                return;
            }
        }
    }
    throw HeadlessError("Unknown option. Use --help.");
}

} // namespace garbello
