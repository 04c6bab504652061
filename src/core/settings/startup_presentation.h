#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace garbello {

// What the tray application shows once at launch: the first-run setup, the
// settings window, or nothing but the tray icon.
class StartupPresentation {
public:
    enum Case : std::uint8_t { setup, settings, background };

    static constexpr std::size_t count = 3;

    constexpr StartupPresentation(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Setup until onboarding is completed; afterwards silent at login and
    // the settings window when the user opened the application.
    static StartupPresentation choose(bool onboardingCompleted, bool launchedAtLogin);

    // Exactly "setup", "settings" or "background".
    static std::optional<StartupPresentation> parse(std::string_view rawValue);
    static constexpr std::array<StartupPresentation, count> allCases() {
        return {setup, settings, background};
    }

    std::string_view rawValue() const;

private:
    Case value_;
};

} // namespace garbello
