#include "settings/startup_presentation.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

TEST(StartupPresentationTest, SetupUntilOnboardedThenSilentAtLoginOnly) {
    struct Case {
        bool onboardingCompleted;
        bool launchedAtLogin;
        StartupPresentation expected;
    };
    const Case cases[] = {
        {false, false, StartupPresentation::setup},
        {false, true, StartupPresentation::setup},
        {true, true, StartupPresentation::background},
        {true, false, StartupPresentation::settings},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartupPresentation::choose(c.onboardingCompleted, c.launchedAtLogin), c.expected)
            << c.onboardingCompleted << c.launchedAtLogin;
}

TEST(StartupPresentationTest, RawValuesParseBackAndNothingElseDoes) {
    for (StartupPresentation presentation : StartupPresentation::allCases())
        EXPECT_EQ(StartupPresentation::parse(presentation.rawValue()), presentation);
    for (const char* text : {"Setup", "", "none", "background "})
        EXPECT_EQ(StartupPresentation::parse(text), std::nullopt) << text;
}

} // namespace
} // namespace garbello
