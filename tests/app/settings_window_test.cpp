#include "app/settings_views.h"
#include "app/settings_window_controller.h"
#include "platform/fake_overlay_host.h"
#include "platform/fake_task_queue.h"
#include "support/log.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace garbello {
namespace {

// The window's own self-test (--test-settings-ui, run by the command-line
// suite) drives it too; these cover what that leaves out.
const std::string kFiles = "org.gnome.Files";

struct Harness {
    explicit Harness(GarbelloSettings initial = {}) {
        icons.icons["firefox"] = Image{1, 1, 4, {0, 0, 255, 255}};
        window = SettingsWindowController::create(
            initial, false,
            {queue, icons,
             [] {
                 return std::vector<RunningApplicationInfo>{{"firefox", "Firefox", 10, 100},
                                                            {kFiles, "Files", 11, 101}};
             },
             [](const std::string& id) { return id == "org.gnome.Evolution" ? "Evolution" : ""; }});
        window->onSettingsChange = [this](const GarbelloSettings& s) { saved.push_back(s); };
        window->onCitySearch = [this](const std::string& query, auto completion) {
            searches.push_back({query, completion});
        };
        using Slot = std::function<void()> SettingsWindowController::*;
        for (auto [name, slot] : std::initializer_list<std::pair<const char*, Slot>>{
                 {"location", &SettingsWindowController::onCurrentLocation},
                 {"refresh", &SettingsWindowController::onRefresh},
                 {"accessibility", &SettingsWindowController::onAccessibility},
                 {"login", &SettingsWindowController::onLogin},
                 {"check", &SettingsWindowController::onCheckUpdates},
                 {"install", &SettingsWindowController::onInstallUpdate},
                 {"skip", &SettingsWindowController::onSkipUpdate},
                 {"download", &SettingsWindowController::onOpenDownload},
                 {"quit", &SettingsWindowController::onQuit}}) {
            called[name] = 0;
            (*window).*slot = [this, name] { ++called[name]; };
        }
    }

    template <class View = QWidget> View* get(const std::string& key) {
        auto* view = dynamic_cast<View*>(window->control(key));
        EXPECT_NE(view, nullptr) << key << " on " << rawValue(window->pane());
        return view;
    }

    // Every text the screen shows, labels and buttons alike.
    bool shows(const std::string& text) const {
        const QString wanted = QString::fromStdString(text);
        auto any = [&](const auto& views) {
            return std::any_of(views.begin(), views.end(),
                               [&](const auto* view) { return view->text() == wanted; });
        };
        return any(window->page()->findChildren<QLabel*>()) ||
               any(window->page()->findChildren<QAbstractButton*>());
    }

    void type(const std::string& text) {
        auto* field = get<QLineEdit>("city-input");
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromStdString(text));
    }

    std::string lastAction() const {
        const auto records = logs.sink().records("settings");
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            if (it->message.starts_with("Configuration action: "))
                return it->message.substr(22);
        return {};
    }

    struct Search {
        std::string query;
        SettingsWindowController::CitySearchCompletion completion;
    };

    mutable ScopedLogCapture logs;
    platform::FakeTaskQueue queue;
    platform::FakeApplicationIcons icons;
    std::shared_ptr<SettingsWindowController> window;
    std::vector<GarbelloSettings> saved;
    std::vector<Search> searches;
    std::map<std::string, int> called;
};

// What the user does to a control: a click, a segment, an item, a value.
void operate(QWidget* view, double argument) {
    if (!view) // the lookup has failed the test
        return;
    if (auto* segmented = dynamic_cast<SegmentedControl*>(view))
        segmented->select(static_cast<int>(argument));
    else if (auto* slider = dynamic_cast<SettingsSlider*>(view))
        slider->setDoubleValue(argument);
    else if (auto* popup = qobject_cast<QComboBox*>(view))
        popup->setCurrentIndex(static_cast<int>(argument));
    else if (auto* button = qobject_cast<QAbstractButton*>(view))
        button->click();
    else
        FAIL() << "no way to operate " << view->metaObject()->className();
}

struct ControlCase {
    SettingsPane pane;
    std::string key;
    double argument;
    std::function<void(GarbelloSettings&)> before;
    std::function<void(GarbelloSettings&)> effect;
    std::string action;
    bool rebuilds;
    std::string label = {};
};

TEST(SettingsWindow, EveryControlChangesExactlyItsSettingWithItsAction) {
    using enum SettingsPane;
    auto none = [](GarbelloSettings&) {};
    const std::vector<ControlCase> cases = {
        {outfits, "outfit-mode", 1, none, [](auto& s) { s.manualOutfit = Outfit::sweater; },
         "outfit mode", true},
        {outfits, "outfit-mode", 0, [](auto& s) { s.manualOutfit = Outfit::linen; },
         [](auto& s) { s.manualOutfit.reset(); }, "outfit mode", true},
        {outfits, "browse-outfit", 0, [](auto& s) { s.manualOutfit = Outfit::linen; },
         [](auto& s) { s.manualOutfit = Outfit::hawaiian; }, "manual outfit", true},
        {outfits, "variant-auto", 0,
         [](auto& s) { s.setPreferredVariant(ClothVariant::fifth, Outfit::sweater); },
         [](auto& s) { s.setPreferredVariant(std::nullopt, Outfit::sweater); }, "automatic cloth",
         true},
        {outfits, "variant-2", 0, none,
         [](auto& s) { s.setPreferredVariant(ClothVariant::third, Outfit::sweater); },
         "preferred cloth", true},
        {appearance, "border-width", 12.6, none, [](auto& s) { s.borderWidth = 13; },
         "border width", false, "Border width \u00B7 13 pt"},
        {appearance, "pattern-scale", 1.25, none, [](auto& s) { s.patternScale = 1.25; },
         "pattern scale", false, "Pattern scale \u00B7 125%"},
        {appearance, "same-colors", 0, none, [](auto& s) { s.sameForAllApps = true; },
         "shared colours", false, "LIVE PREVIEW \u00B7 SHARED CLOTH COLOURS"},
        {weather, "temperature-unit", 1, none,
         [](auto& s) { s.temperatureUnit = TemperatureUnit::fahrenheit; }, "temperature unit",
         false},
        {apps, "app-" + kFiles, 0, none, [](auto& s) { s.disabledApps.insert(kFiles); },
         "application enabled", true},
        {apps, "app-firefox", 0, [](auto& s) { s.disabledApps.insert("firefox"); },
         [](auto& s) { s.disabledApps.clear(); }, "application enabled", true},
        {apps, "app-pattern-" + kFiles, 3, none,
         [](auto& s) { s.setVariant(ClothVariant::third, kFiles, Outfit::sweater); },
         "application cloth", true},
        {apps, "app-pattern-" + kFiles, 0,
         [](auto& s) { s.setVariant(ClothVariant::ninth, kFiles, Outfit::sweater); },
         [](auto& s) { s.appVariants.clear(); }, "application cloth", true},
        {general, "pause", 0, none, [](auto& s) { s.paused = true; }, "pause outfits", true,
         "Outfits are paused"},
        {updates, "updates-automatic", 0, none, [](auto& s) { s.updaterV1.automatic = false; },
         "automatic updates", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        GarbelloSettings initial;
        c.before(initial);
        Harness h(initial);
        h.window->showPane(c.pane);
        QWidget* page = h.window->page();
        operate(h.get(c.key), c.argument);
        GarbelloSettings expected = initial;
        c.effect(expected);
        ASSERT_FALSE(h.saved.empty());
        EXPECT_EQ(h.saved.back(), expected);
        EXPECT_EQ(h.window->settings(), expected);
        EXPECT_EQ(h.lastAction(), c.action);
        EXPECT_EQ(h.window->page() != page, c.rebuilds);
        if (!c.label.empty()) {
            EXPECT_TRUE(h.shows(c.label)) << c.label;
        }
    }
}

// The weather and general panes' buttons are the self-test's.
TEST(SettingsWindow, UpdateButtonsCallTheirCallbacksAndChangeNoSetting) {
    UpdateRelease release;
    release.version = "9.0.0";
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"update-check", "check", false},
        {"update-check", "download", true},
        {"update-install", "install", false},
        {"update-skip", "skip", false},
    };
    for (const auto& [key, callback, canOpenDownload] : cases) {
        SCOPED_TRACE(key + " " + callback);
        Harness h;
        h.window->setUpdateState({release, "Ready.", std::nullopt, false, canOpenDownload});
        h.window->showPane(SettingsPane::updates);
        operate(h.get(key), 0);
        for (const auto& [name, count] : h.called)
            EXPECT_EQ(count, name == callback ? 1 : 0) << name;
        EXPECT_TRUE(h.saved.empty());
    }
}

TEST(SettingsWindow, AppsPaneListsRunningAndConfiguredAppsSortedWithIcons) {
    GarbelloSettings initial;
    initial.disabledApps.insert("org.gnome.Evolution");
    initial.setVariant(ClothVariant::second, "zz.unnamed", Outfit::linen);
    Harness h(initial);
    h.window->showPane(SettingsPane::apps);
    std::vector<std::string> names;
    for (const auto& app : h.window->applicationChoices())
        names.push_back(app.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Evolution", "Files", "Firefox", "zz.unnamed"}));
    EXPECT_TRUE(h.window->applicationChoices()[2].icon.has_value());
    EXPECT_FALSE(h.window->applicationChoices()[1].icon.has_value());
    EXPECT_FALSE(h.get<QAbstractButton>("app-org.gnome.Evolution")->isChecked());
    // Browsing another outfit offers its cloths.
    operate(h.get("apps-outfit"), Outfit(Outfit::linen).index());
    EXPECT_EQ(h.get<QComboBox>("app-pattern-firefox")->itemText(1).toStdString(),
              ClothVariant(ClothVariant::classic).title(Outfit::linen));

    Harness empty;
    empty.window = SettingsWindowController::create({}, false, {empty.queue, empty.icons, {}, {}});
    empty.window->showPane(SettingsPane::apps);
    EXPECT_TRUE(empty.shows("Open an app to choose its window outfit."));
}

// Stale replies, the focus across rebuilds and the picked place's callback are
// the self-test's; here the keyboard, the rows and what typing and picking leave.
TEST(SettingsWindow, CitySearchFromTheKeyboardAndPickingAPlace) {
    Harness h;
    h.window->showPane(SettingsPane::weather);
    h.type("   ");
    QTest::keyClick(h.get("city-input"), Qt::Key_Return);
    EXPECT_TRUE(h.searches.empty());
    EXPECT_EQ(h.window->searchMessage(), "Type a city name to search.");
    h.type("Bern");
    QTest::keyClick(h.get("city-input"), Qt::Key_Return);
    ASSERT_EQ(h.searches.size(), 1u);
    EXPECT_EQ(h.window->searchMessage(), "Searching cities\u2026");
    h.searches[0].completion({{"Bern", 46.95, 7.45, "auto"}, {"Bern, NC", 35.1, -77.0, "auto"}},
                             std::nullopt);
    h.queue.runAll();
    // Typing disables the rows on show without rebuilding the screen.
    QWidget* page = h.window->page();
    h.type("Paris");
    EXPECT_EQ(h.window->page(), page);
    EXPECT_FALSE(h.get("city-result-0")->isEnabled());
    EXPECT_FALSE(h.get("city-result-1")->isEnabled());

    operate(h.get("city-search"), 0);
    const Place paris{"Paris", 48.8566, 2.3522, "Europe/Paris"};
    h.searches.at(1).completion({paris}, std::nullopt);
    h.queue.runAll();
    auto* row = h.get<QAbstractButton>("city-result-0");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text().toStdString(), "Paris  \u00B7  48.86, 2.35");
    row->click();
    EXPECT_EQ(h.window->settings().place, paris);
    EXPECT_EQ(h.window->searchMessage(), "Using Paris");
    EXPECT_TRUE(h.window->cityResults().empty());
    EXPECT_EQ(h.lastAction(), "weather city");
    h.window->onCitySearch = nullptr;
    operate(h.get("city-search"), 0);
    EXPECT_EQ(h.window->searchMessage(), "City search is unavailable. Please try again.");
}

TEST(SettingsWindow, CitySearchMessages) {
    const std::vector<std::tuple<std::vector<Place>, std::optional<std::string>, std::string>>
        replies = {
            {{}, std::nullopt, "No cities found. Try a nearby city or another spelling."},
            {{}, "The city search could not be reached.", "The city search could not be reached."},
            {{{"Oslo", 59.91, 10.75, "auto"}}, std::nullopt, "Choose your city."},
        };
    for (const auto& [places, message, shown] : replies) {
        Harness h;
        h.window->showPane(SettingsPane::weather);
        h.type("  Oslo  ");
        operate(h.get("city-search"), 0);
        ASSERT_EQ(h.searches.size(), 1u);
        EXPECT_EQ(h.searches[0].query, "Oslo");
        h.searches[0].completion(places, message);
        h.queue.runAll();
        EXPECT_EQ(h.window->searchMessage(), shown);
        EXPECT_TRUE(h.shows(shown));
    }
}

// Waiting while the city field is edited, the tint's pixels and the dark
// sample are the self-test's. The preview follows the width slider at once; a
// dragged slider makes an update wait, and one that changes nothing rebuilds nothing.
TEST(SettingsWindow, TheWidthSliderReachesThePreviewAtOnceAndHoldsUpdatesWhileDragged) {
    Harness h;
    h.window->showPane(SettingsPane::appearance);
    const auto views = h.window->page()->findChildren<QWidget*>();
    auto preview = std::find_if(views.begin(), views.end(),
                                [](QWidget* view) { return dynamic_cast<ClothPreview*>(view); });
    ASSERT_NE(preview, views.end());
    auto* slider = h.get<SettingsSlider>("border-width");
    operate(slider, 30);
    EXPECT_EQ(static_cast<ClothPreview*>(*preview)->borderWidth, 30);

    const GarbelloSettings settings = h.window->settings();
    h.window->update(settings, "12°C · Rain", false, "Off");
    QWidget* page = h.window->page();
    slider = h.get<SettingsSlider>("border-width");
    h.window->update(settings, "12°C · Rain", false, "Off");
    EXPECT_EQ(h.window->page(), page);
    slider->setSliderDown(true);
    h.window->update(settings, "13°C · Dry", false, "Off");
    EXPECT_EQ(h.window->page(), page);
    EXPECT_TRUE(h.window->pendingRefresh());
    slider->setSliderDown(false);
    h.window->update(settings, "13°C · Dry", false, "Off");
    EXPECT_NE(h.window->page(), page);
    EXPECT_FALSE(h.window->pendingRefresh());
}

TEST(SettingsWindow, LoginAndAccessibilityTexts) {
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"Approval needed in System Settings", "Open Login Items settings", true},
        {"On", "Turn off launch at login", false},
        {"oN", "Turn off launch at login", false},
        {"Off", "Turn on launch at login", false},
        {"Unavailable", "Turn on launch at login", false},
    };
    for (const auto& [status, title, approval] : cases) {
        SCOPED_TRACE(status);
        Harness h;
        h.window->showPane(SettingsPane::general);
        h.window->update({}, "Summary", approval, status);
        EXPECT_EQ(h.get<QAbstractButton>("login")->text().toStdString(), title);
        EXPECT_TRUE(h.shows("Launch at login: " + status));
        EXPECT_EQ(h.shows("Approve launch at login in System Settings."), approval);
        // The accessibility row follows the flag pushed with it.
        EXPECT_EQ(h.window->control("accessibility") == nullptr, approval);
        EXPECT_EQ(h.shows("Accessibility is enabled. Full-screen tracking is ready."), approval);
    }
}

// The badges of the setup sidebar, by number.
std::vector<SetupBadge::State> badgeStates(const Harness& h) {
    std::vector<SetupBadge::State> states(kSetupStepCount, SetupBadge::State::ahead);
    for (auto* child : h.window->page()->findChildren<QWidget*>())
        if (auto* badge = dynamic_cast<SetupBadge*>(child))
            states.at(static_cast<std::size_t>(badge->number() - 1)) = badge->state();
    return states;
}

TEST(SetupFlow, EachStepShowsItsCounterTitleContentAndBadgesAndTheLastEndsSetup) {
    const std::vector<std::tuple<SetupStep, std::string, std::string>> steps = {
        {SetupStep::welcome, "A little outside, brought in.",
         "Live sample window with Sweater cloth border"},
        {SetupStep::location, "What's it like outside?", "Choose a place to get started"},
        {SetupStep::accessibility, "A better fit for full screen.",
         "If you enable it in System Settings, we'll notice when you return.\n"
         "You can also do this later in General settings."},
        {SetupStep::apps, "Make it feel like you.", "YOUR APPS"},
        {SetupStep::login, "A warm welcome, every day.", "Launch at login is Off"},
        {SetupStep::finish, "Looking good. You're ready.", "Choose your first outfit"},
    };
    Harness h;
    h.window->showPane(SettingsPane::general);
    operate(h.get("rerun-setup"), 0);
    for (const auto& [step, title, content] : steps) {
        const int index = static_cast<int>(step);
        SCOPED_TRACE(index);
        ASSERT_EQ(h.window->setup(), step);
        EXPECT_TRUE(h.shows(std::to_string(index + 1) + " of 6"));
        EXPECT_TRUE(h.shows(title));
        EXPECT_TRUE(h.shows(content));
        std::vector<SetupBadge::State> expected(kSetupStepCount, SetupBadge::State::ahead);
        for (int i = 0; i < index; ++i)
            expected[static_cast<std::size_t>(i)] = SetupBadge::State::done;
        expected[static_cast<std::size_t>(index)] = SetupBadge::State::active;
        EXPECT_EQ(badgeStates(h), expected);
        auto* next = h.get<QAbstractButton>("setup-next");
        ASSERT_NE(next, nullptr);
        const bool last = step == SetupStep::finish;
        EXPECT_EQ(next->text(), last ? "Finish setup" : "Continue");
        EXPECT_EQ(next->accessibleName(),
                  last ? "Finish setup and open Settings" : "Continue to next setup step");
        operate(next, 0);
    }
    // Going on from the last ends setup, saved once, as completed, on the
    // outfits pane, whichever pane it started from. Skip, Back and Continue are
    // one footer on every step: the self-test skips and goes back.
    EXPECT_FALSE(h.window->setup());
    EXPECT_EQ(h.window->pane(), SettingsPane::outfits);
    ASSERT_EQ(h.saved.size(), 1u);
    EXPECT_TRUE(h.saved.back().onboardingCompleted);
    EXPECT_EQ(h.lastAction(), "finished setup");
}

// Without either, the self-test's.
TEST(SetupFlow, TheLastStepSaysWhatHappensNextWithAPlaceOrAManualOutfit) {
    const std::string rerun = "Run setup again any time in General settings.";
    GarbelloSettings manual;
    manual.manualOutfit = Outfit::linen;
    GarbelloSettings placed;
    placed.place = Place{"Oslo", 59.91, 10.75, "Europe/Oslo"};
    const std::vector<std::tuple<GarbelloSettings, std::string, std::string>> cases = {
        {manual, "Always wearing Light linen",
         "Your favourite outfit is ready, with or without a forecast.\n" + rerun},
        {placed, "Your outfit follows the weather", rerun},
    };
    for (const auto& [settings, title, detail] : cases) {
        Harness h(settings);
        h.window->showOnboarding();
        for (int i = 0; i < 5; ++i)
            operate(h.get("setup-next"), 0);
        EXPECT_TRUE(h.shows(title)) << title;
        EXPECT_TRUE(h.shows(detail)) << title;
    }
}

TEST(SetupFlow, ACitySearchAnsweredAfterLeavingTheStepChangesNothing) {
    Harness h;
    h.window->showOnboarding();
    operate(h.get("setup-next"), 0);
    h.type("Oslo");
    operate(h.get("city-search"), 0);
    operate(h.get("setup-next"), 0);
    h.searches.at(0).completion({{"Oslo", 59.91, 10.75, "Europe/Oslo"}}, std::nullopt);
    h.queue.runAll();
    EXPECT_TRUE(h.window->cityResults().empty());
}

// The other panes' controls are each found by the test that operates them.
TEST(SettingsWindow, EveryPaneLinksToAllAndOnlyTheAppsPaneFollowsTheApplications) {
    Harness h;
    for (SettingsPane pane : kSettingsPanes) {
        SCOPED_TRACE(rawValue(pane));
        h.window->showPane(pane);
        QWidget* page = h.window->page();
        h.window->refreshApplications();
        EXPECT_EQ(h.window->page() != page, pane == SettingsPane::apps);
        for (SettingsPane other : kSettingsPanes) {
            h.window->showPane(pane);
            operate(h.get("pane-" + std::string(rawValue(other))), 0);
            EXPECT_EQ(h.window->pane(), other);
        }
    }
    h.window->showPane(SettingsPane::outfits);
    h.get("variant-0");
    h.get("variant-9");
}

TEST(SettingsTheme, TextReachesContrastInBothAppearances) {
    for (bool dark : {false, true}) {
        const SettingsTheme& t = SettingsTheme::forAppearance(dark);
        for (const QColor& surface : {t.window, t.sidebar, t.card, t.field, t.track}) {
            EXPECT_GE(contrastRatio(t.text, surface), 4.5) << dark;
            EXPECT_GE(contrastRatio(t.secondaryText, surface), 4.5) << dark;
        }
        EXPECT_GE(contrastRatio(contrastForeground(t.accent), t.accent), 4.5) << dark;
    }
    // Bright and dark accents are the self-test's; here the threshold between.
    const std::vector<std::pair<QColor, QColor>> foregrounds = {
        {QColor(0x75, 0x75, 0x75), Qt::white},
        {QColor(0x77, 0x77, 0x77), Qt::black},
        {QColor(), Qt::black}};
    for (const auto& [background, foreground] : foregrounds)
        EXPECT_EQ(contrastForeground(background), foreground) << background.name().toStdString();
}

} // namespace
} // namespace garbello
