#pragma once

#include "app/settings_window_controller.h"
#include "platform/main_thread_queue.h"
#include "platform/theme_icons.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The settings window over fixed demo data, for the offscreen renders and
// the self-test: what they show depends neither on the user's settings nor
// on the weather or the running applications.
namespace garbello {

// The scenarios a screen name may carry after a colon, "default" first.
inline constexpr std::array<std::string_view, 11> kPreviewScenarios = {
    "default", "granted",  "empty",   "denied",   "results", "manual",
    "off",     "approval", "failure", "overflow", "shared"};

inline constexpr const char* kDemoSummary = "14°C · Feels like 12°C · Dry\n"
                                            "Demo forecast · Last updated today at 9:30 AM\n"
                                            "Sweater · Cool and dry";

// An application the preview lists in place of the running ones, with the
// icon-theme names its icon may have, best first.
struct FixtureApplication {
    std::string identifier;
    std::string name;
    std::vector<std::string> iconNames;
};
// The six applications every preview lists; with `overflow` more follow
// than the lists have room for.
std::vector<FixtureApplication> fixtureApplications(bool overflow);

// Makes the Qt application the offscreen work runs in, on the offscreen
// platform, unless one exists. Qt's own diagnostics go to the log.
void ensureOffscreenApplication();

// One settings window in preview mode over the demo data with a scenario
// applied. Throws RenderError::invalidScreen for an unknown scenario.
class SettingsPreview {
public:
    explicit SettingsPreview(std::string_view scenario = "default", bool dark = false);
    ~SettingsPreview();

    SettingsWindowController& window() { return *window_; }
    SettingsWindowController* operator->() { return window_.get(); }
    // The setup step on show, straight away (no new search token, no
    // presenting).
    void showStep(SetupStep step);
    // Runs the main event loop for `seconds`, for replies that come back
    // through it.
    void runMainLoop(double seconds);
    // The data every preview starts from.
    static GarbelloSettings demoSettings();

private:
    class FixtureIcons;

    platform::MainThreadQueue mainThread_;
    std::unique_ptr<FixtureIcons> icons_;
    bool overflow_ = false;
    std::shared_ptr<SettingsWindowController> window_;
};

} // namespace garbello
