#include "settings/startup_presentation.h"

#include "support/raw_value.h"

namespace garbello {
namespace {
constexpr std::array<std::string_view, StartupPresentation::count> kRawValues{"setup", "settings",
                                                                              "background"};
} // namespace

StartupPresentation StartupPresentation::choose(bool onboardingCompleted, bool launchedAtLogin) {
    if (!onboardingCompleted)
        return setup;
    return launchedAtLogin ? background : settings;
}

std::optional<StartupPresentation> StartupPresentation::parse(std::string_view rawValue) {
    return caseWithRawValue(allCases(), rawValue);
}

std::string_view StartupPresentation::rawValue() const {
    return kRawValues[value_];
}

} // namespace garbello
