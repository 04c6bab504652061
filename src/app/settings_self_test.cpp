// The self-test of the settings window: a preview window over the demo data
// whose callbacks are recorded, driven through its own controls. Each check
// passes only when the behaviour its label names is seen on the real views
// (their state, their texts, or their pixels).
#include "app/settings_preview.h"
#include "app/settings_views.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QScrollArea>

#include <cstdio>
#include <functional>
#include <map>

namespace garbello {
namespace {

using RenderError = SettingsWindowController::RenderError;

void require(bool condition, const std::string& message) {
    if (!condition)
        throw RenderError(RenderError::Kind::interaction, message);
}

void progress(const std::string& line) {
    std::fprintf(stderr, "[settings-ui] %s\n", line.c_str());
    std::fflush(stderr);
}

std::string appearanceName(bool dark) {
    return dark ? "Dark Aqua" : "Aqua";
}

// The colour in `box` of `image` that stands out most against `against`,
// and how much.
std::pair<QColor, double> strongestContrast(const QImage& image, const QRect& box,
                                            const QColor& against) {
    QColor strongest = against;
    double best = 1;
    const QRect area = box.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            const double ratio = contrastRatio(colour, against);
            if (ratio > best) {
                best = ratio;
                strongest = colour;
            }
        }
    return {strongest, best};
}

// The colour most pixels of `box` have.
QColor commonest(const QImage& image, const QRect& box) {
    std::map<QRgb, int> counts;
    const QRect area = box.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            best = colour;
            most = count;
        }
    return QColor::fromRgba(best);
}

// A preview window whose callbacks are all recorded.
class Session {
public:
    struct Search {
        std::string query;
        SettingsWindowController::CitySearchCompletion completion;
    };

    explicit Session(std::string_view scenario = "default", bool dark = false)
        : preview(scenario, dark) {
        SettingsWindowController& w = window();
        w.onSettingsChange = [this](const GarbelloSettings& s) { saved.push_back(s); };
        w.onCitySearch = [this](const std::string& query, auto completion) {
            searches.push_back({query, std::move(completion)});
        };
        w.onPlace = [this](const Place& place) { places.push_back(place); };
        const std::vector<std::pair<std::string, std::function<void()>*>> plain = {
            {"location", &w.onCurrentLocation},
            {"refresh", &w.onRefresh},
            {"accessibility", &w.onAccessibility},
            {"login", &w.onLogin},
            {"check", &w.onCheckUpdates},
            {"install", &w.onInstallUpdate},
            {"skip", &w.onSkipUpdate},
            {"download", &w.onOpenDownload},
            {"quit", &w.onQuit}};
        for (const auto& [name, callback] : plain) {
            calls[name] = 0;
            *callback = [this, name = name] { ++calls[name]; };
        }
    }
    ~Session() {
        window().window()->hide();
        // Pages thrown away by rebuilds go with the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    SettingsWindowController& window() { return preview.window(); }
    QWidget* page() { return window().page(); }

    // Fires the control registered under `key` as a click, a segment, an
    // item or a slider value would.
    QWidget* activate(const std::string& key, double argument = 0) {
        progress("Exercising control: " + key);
        QWidget* view = window().control(key);
        require(view != nullptr, "Missing control: " + key);
        if (auto* segmented = dynamic_cast<SegmentedControl*>(view))
            segmented->select(static_cast<int>(argument));
        else if (auto* slider = dynamic_cast<SettingsSlider*>(view))
            slider->setDoubleValue(argument);
        else if (auto* popup = qobject_cast<QComboBox*>(view))
            popup->setCurrentIndex(static_cast<int>(argument));
        else if (auto* button = qobject_cast<QAbstractButton*>(view))
            button->click();
        else if (auto* field = qobject_cast<QLineEdit*>(view))
            emit field->returnPressed();
        return view;
    }

    // Types into a text field the way the user's edit reaches it.
    QLineEdit* fill(const std::string& key, const std::string& text) {
        auto* field = qobject_cast<QLineEdit*>(window().control(key));
        require(field != nullptr, "Missing control: " + key);
        field->setText(QString::fromStdString(text));
        emit field->textEdited(field->text());
        return field;
    }

    bool shows(const std::string& text) {
        const QString wanted = QString::fromStdString(text);
        for (auto* label : page()->findChildren<QLabel*>())
            if (label->isVisibleTo(page()) && label->text().contains(wanted))
                return true;
        for (auto* button : page()->findChildren<QAbstractButton*>())
            if (button->text().contains(wanted))
                return true;
        return false;
    }

    template <class View> View* find() {
        for (auto* child : page()->findChildren<QWidget*>())
            if (auto* view = dynamic_cast<View*>(child))
                return view;
        return nullptr;
    }

    // Pushes fresh state the way the owner's two-second refresh does.
    void push(const GarbelloSettings& settings, const std::string& summary, bool granted,
              const std::string& login) {
        window().update(settings, summary, granted, login);
    }

    SettingsPreview preview;
    std::vector<GarbelloSettings> saved;
    std::vector<Search> searches;
    std::vector<Place> places;
    std::map<std::string, int> calls;
};

bool blank(const Image& image) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[static_cast<std::size_t>(y) * image.stride + x * 4 + 3] != 0)
                return false;
    return true;
}

std::string fixtureIcons() {
    Session s;
    s.window().showPane(SettingsPane::apps);
    for (const auto& fixture : fixtureApplications(false)) {
        const ApplicationChoice* choice = nullptr;
        for (const auto& app : s.window().applicationChoices())
            if (app.identifier == fixture.identifier)
                choice = &app;
        require(choice && choice->icon, "Missing fixture icon: " + fixture.name);
        const Image& icon = *choice->icon;
        require(icon.width > 0 && icon.height > 0 && icon.stride >= icon.width * 4 &&
                    icon.pixels.size() >= static_cast<std::size_t>(icon.stride) * icon.height,
                "Fixture icon needs decoded bitmap pixels: " + fixture.name);
        require(!blank(icon), "Fixture icon has blank pixels: " + fixture.name);
    }
    return "Six fixture application icons contain decoded, nonblank bitmap pixels";
}

std::string manualOutfitAndCloth() {
    const std::string message = "Manual outfit and preferred cloth callbacks";
    Session s;
    s.window().showPane(SettingsPane::outfits);
    s.activate("outfit-mode", 1);
    require(!s.saved.empty() && s.saved.back().manualOutfit == s.window().browsingOutfit(),
            message);
    s.activate("variant-2");
    require(s.saved.size() == 2 &&
                s.saved.back().preferredVariant(s.window().browsingOutfit()) ==
                    ClothVariant::third &&
                s.saved.back().manualOutfit.has_value(),
            message);
    return message;
}

std::string appearanceControls() {
    const std::string message = "Appearance sliders";
    Session s;
    s.window().showPane(SettingsPane::appearance);
    s.activate("border-width", 20.4);
    require(!s.saved.empty() && s.saved.back().borderWidth == 20, message);
    s.activate("pattern-scale", 1.5);
    require(std::abs(s.saved.back().patternScale - 1.5) < 0.01, message);
    s.activate("same-colors");
    require(s.saved.back().sameForAllApps, message);
    const std::size_t saves = s.saved.size();
    s.activate("sample-appearance", 1);
    auto* preview = s.find<ClothPreview>();
    require(s.window().sampleDark() && preview && preview->darkSample && s.saved.size() == saves,
            message);
    return "Width, scale, colours and dark preview controls";
}

std::string applicationControls() {
    Session s;
    s.window().showPane(SettingsPane::apps);
    s.activate("app-com.apple.Safari");
    require(!s.saved.empty() && s.saved.back().disabledApps.contains("com.apple.Safari"),
            "Application toggle");
    s.activate("app-pattern-com.apple.mail", 4);
    require(s.saved.back().variantOverride("com.apple.mail", s.window().browsingOutfit()) ==
                ClothVariant::fourth,
            "Application cloth");
    return "Application enable and per-app cloth controls";
}

std::string browsingKeepsManualOutfit() {
    Session s("manual");
    s.window().showPane(SettingsPane::apps);
    s.activate("apps-outfit", static_cast<double>(Outfit(Outfit::linen).index()));
    require(s.window().browsingOutfit() == Outfit::linen &&
                s.window().settings().manualOutfit == Outfit::hawaiian && s.saved.empty(),
            "Browsing app patterns must preserve the manual outfit");
    return "Browsing app styles preserves the chosen manual outfit";
}

std::string updateControls() {
    Session s;
    s.window().showPane(SettingsPane::updates);
    const bool before = s.window().settings().updaterV1.automatic;
    s.activate("updates-automatic");
    auto* box = qobject_cast<QCheckBox*>(s.window().control("updates-automatic"));
    require(s.window().settings().updaterV1.automatic == !before && box &&
                box->isChecked() == !before,
            "Automatic update control");
    require(!s.saved.empty() && s.saved.back().updaterV1.automatic == !before,
            "Automatic update persistence");
    s.activate("update-check");
    require(s.calls["check"] == 1 && s.calls["download"] == 0, "Manual update callback");
    return "Updates toggle persists and manual check calls the updater";
}

std::string unitsAndCallbacks() {
    Session s;
    s.window().showPane(SettingsPane::weather);
    s.activate("temperature-unit", 1);
    require(!s.saved.empty() && s.saved.back().temperatureUnit == TemperatureUnit::fahrenheit,
            "Temperature unit");
    s.activate("current-location");
    s.activate("refresh");
    s.window().showPane(SettingsPane::general);
    for (const char* key : {"accessibility", "login", "quit"})
        s.activate(key);
    for (const char* name : {"location", "refresh", "accessibility", "login", "quit"})
        require(s.calls[name] == 1, "Application callbacks");
    require(s.saved.size() == 1, "Application callbacks");
    return "Weather units and five application callbacks";
}

std::string citySearch() {
    Session s;
    s.window().showPane(SettingsPane::weather);
    s.fill("city-input", "Portland");
    s.activate("city-search");
    s.fill("city-input", "Paris");
    s.activate("city-search");
    require(s.searches.size() == 2 && s.searches[0].query == "Portland" &&
                s.searches[1].query == "Paris",
            "City search callback");
    const Place old{"Portland, Oregon", 45.52, -122.68, "America/Los_Angeles"};
    const Place paris{"Paris", 48.86, 2.35, "Europe/Paris"};
    s.searches[0].completion({old}, "Old request canceled");
    s.searches[1].completion({paris}, std::nullopt);
    s.preview.runMainLoop(0.02);
    auto* row = qobject_cast<QAbstractButton*>(s.window().control("city-result-0"));
    require(s.window().cityResults() == std::vector<Place>{paris} && row &&
                row->text().startsWith("Paris") && !s.window().control("city-result-1") &&
                !s.shows("Old request canceled"),
            "Stale search response");
    s.activate("city-result-0");
    require(s.places == std::vector<Place>{paris} && s.window().settings().place == paris,
            "City result selection");
    return "City search, stale response rejection and selected-place callback";
}

std::string editingInvalidatesSearch() {
    Session s;
    s.window().showPane(SettingsPane::weather);
    s.fill("city-input", "Berlin");
    s.activate("city-search");
    require(s.searches.size() == 1, "Search reply after input edit");
    s.fill("city-input", "Copenhagen");
    s.searches[0].completion({{"Berlin", 52.52, 13.40, "Europe/Berlin"}}, std::nullopt);
    s.preview.runMainLoop(0.02);
    auto* field = qobject_cast<QLineEdit*>(s.window().control("city-input"));
    require(s.window().cityResults().empty() && !s.window().control("city-result-0") && field &&
                field->text() == "Copenhagen",
            "Search reply after input edit");
    return "Editing a city invalidates an in-flight search";
}

std::string optionalAccessibility() {
    Session s;
    s.window().showOnboarding();
    s.activate("setup-next");
    s.activate("setup-next");
    require(s.window().setup() == SetupStep::accessibility,
            "Optional permission must not block setup");
    s.activate("setup-next");
    require(s.window().setup() == SetupStep::apps, "Optional permission must not block setup");

    s.activate("setup-back");
    s.activate("accessibility");
    require(s.calls["accessibility"] == 1, "Accessibility permission status refresh");
    // The user grants the permission elsewhere and comes back to the step.
    s.push(s.window().settings(), kDemoSummary, true, "On");
    require(s.window().setup() == SetupStep::accessibility && s.shows("Accessibility enabled") &&
                !s.window().control("accessibility") && !s.shows("If you enable it"),
            "Accessibility permission status refresh");

    s.activate("setup-next");
    s.activate("preferred-pattern", 4);
    const Outfit outfit = s.window().browsingOutfit();
    require(!s.saved.empty() && s.saved.back().preferredVariant(outfit) == ClothVariant::fourth,
            "Setup favourite cloth preference");
    s.push(s.saved.back(), kDemoSummary, false, "Off");
    auto* pattern = qobject_cast<QComboBox*>(s.window().control("preferred-pattern"));
    require(s.window().setup() == SetupStep::apps &&
                s.window().settings().preferredVariant(outfit) == ClothVariant::fourth && pattern &&
                pattern->currentIndex() == 4,
            "Setup favourite cloth preference");
    return "Accessibility status refresh remains optional and setup cloth persists";
}

std::string setupNavigation() {
    Session s;
    s.window().showOnboarding();
    s.activate("setup-next");
    s.activate("setup-back");
    require(s.window().setup() == SetupStep::welcome, "Setup back");
    s.activate("setup-back");
    require(s.window().setup() == SetupStep::welcome, "Setup back");
    for (int i = 0; i < 5; ++i)
        s.activate("setup-next");
    require(s.window().setup() == SetupStep::finish && s.saved.empty(), "All setup steps");
    s.activate("setup-next");
    require(s.saved.size() == 1 && s.saved.back().onboardingCompleted && !s.window().setup() &&
                s.window().pane() == SettingsPane::outfits,
            "Setup completion");
    s.window().showPane(SettingsPane::general);
    s.activate("rerun-setup");
    require(s.window().setup() == SetupStep::welcome, "Setup skip persistence");
    s.activate("setup-next");
    s.activate("setup-skip");
    require(s.saved.size() == 2 && s.saved.back().onboardingCompleted && !s.window().setup(),
            "Setup skip persistence");
    return "Six setup steps, back, finish, rerun and persistent skip";
}

std::string keyboardFocus() {
    Session s;
    QWidget* window = s.window().window();
    window->show();
    s.window().showPane(SettingsPane::weather);
    QLineEdit* field = s.fill("city-input", "Cope");
    require(field != nullptr, "City field for keyboard check");
    field->setFocus(Qt::TabFocusReason);
    field->setCursorPosition(2);
    require(window->focusWidget() == field, "City field for keyboard check");
    // Searching builds the screen anew, twice.
    s.activate("city-search");
    auto* rebuilt = qobject_cast<QLineEdit*>(s.window().control("city-input"));
    require(rebuilt && rebuilt != field && window->focusWidget() == rebuilt &&
                rebuilt->text() == "Cope" && rebuilt->cursorPosition() == 2,
            "Keyboard focus preservation");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(rebuilt, &tab);
    require(window->focusWidget() == s.window().control("city-search"),
            "Keyboard focus preservation");
    return "Keyboard focus and native key-view loop survive a view rebuild";
}

std::string deferredWeather() {
    Session s;
    QWidget* window = s.window().window();
    window->show();
    s.window().showPane(SettingsPane::weather);
    QLineEdit* field = s.fill("city-input", "Cope");
    field->setFocus(Qt::TabFocusReason);
    QWidget* page = s.page();
    const std::string fresh = "9°C · Feels like 7°C · Rain\nDemo forecast · Last updated now";
    s.push(s.window().settings(), fresh, false, "On");
    require(s.page() == page && field->text() == "Cope" && window->focusWidget() == field &&
                s.window().pendingRefresh(),
            "Weather refresh must preserve active city editing");
    require(s.window().weatherSummary() == fresh && !s.shows("Feels like 7°C"),
            "Fresh forecast after typing");
    s.window().control("refresh")->setFocus(Qt::TabFocusReason);
    s.push(s.window().settings(), fresh, false, "On");
    s.preview.runMainLoop(0.01);
    auto* rebuilt = qobject_cast<QLineEdit*>(s.window().control("city-input"));
    require(s.page() != page && s.shows("Feels like 7°C") && rebuilt && rebuilt->text() == "Cope",
            "Deferred weather refresh must render after editing ends");
    return "Weather status deferred during city editing appears after focus leaves";
}

std::string pauseStatus() {
    Session s;
    s.window().showPane(SettingsPane::general);
    s.activate("pause");
    auto* status = s.page()->findChild<QLabel*>("sidebar-status");
    require(status && status->text() == "Outfits are paused" && !s.saved.empty() &&
                s.saved.back().paused,
            "Pause sidebar status");
    return "Pausing outfits immediately refreshes the sidebar status";
}

std::string cityRowsFit() {
    const std::string message = "Every visible city result needs a complete row";
    Session s("results");
    s.preview.showStep(SetupStep::location);
    // Laid out as on screen: a scroll area sizes its viewport when shown.
    s.window().window()->show();
    s.preview.runMainLoop(0);
    for (const char* key : {"city-result-0", "city-result-1"}) {
        QWidget* row = s.window().control(key);
        require(row != nullptr, message);
        QScrollArea* area = nullptr;
        for (QWidget* up = row->parentWidget(); up && !area; up = up->parentWidget())
            area = qobject_cast<QScrollArea*>(up);
        require(area != nullptr, message);
        const QRect shown(row->mapTo(area->viewport(), QPoint(0, 0)), row->size());
        require(row->height() > 0 && area->viewport()->rect().contains(shown), message);
    }
    return "Two complete city rows fit the setup search viewport";
}

std::string loginApproval() {
    Session s("approval");
    s.preview.showStep(SetupStep::login);
    auto* login = qobject_cast<QAbstractButton*>(s.window().control("login"));
    require(login && login->text() == "Open Login Items settings" &&
                s.shows("Approve launch at login in System Settings."),
            "Login approval needs an explicit settings action");
    s.activate("login");
    require(s.calls["login"] == 1, "Login approval needs an explicit settings action");
    s.window().showPane(SettingsPane::general);
    login = qobject_cast<QAbstractButton*>(s.window().control("login"));
    require(login && login->text() == "Open Login Items settings" &&
                s.shows("Approve launch at login in System Settings."),
            "General login approval action");
    s.activate("login");
    require(s.calls["login"] == 2, "General login approval action");
    return "Login approval opens Login Items from setup and General";
}

std::string honestFinish() {
    Session s("empty");
    s.preview.showStep(SetupStep::finish);
    auto* finish = qobject_cast<QAbstractButton*>(s.window().control("setup-next"));
    require(s.shows("Choose your first outfit") &&
                s.shows("Choose a city for weather, or a favourite outfit in Settings.") &&
                finish && finish->text() == "Finish setup",
            "Empty setup must explain the first outfit choice");
    return "Finishing without a location or manual outfit gives an honest next step";
}

std::string grantedAccessibility() {
    Session s("granted");
    s.preview.showStep(SetupStep::accessibility);
    require(!s.shows("If you enable it") && s.shows("Accessibility enabled"),
            "Granted Accessibility must not show enable instructions");
    return "Granted Accessibility shows current permission guidance";
}

std::string colourExplanation() {
    const std::string message = "Appearance colour choice explanation";
    Session s;
    s.window().showPane(SettingsPane::appearance);
    require(s.shows("When off, each app\u2019s icon adds a gentle tint to the cloth."), message);
    return message;
}

std::string primaryContrast() {
    ensureOffscreenApplication();
    std::vector<QColor> accents = {SettingsTheme::forAppearance(false).accent,
                                   SettingsTheme::forAppearance(true).accent,
                                   QColor(0xFF, 0xD6, 0x0A),
                                   QColor(0x30, 0xD1, 0x58),
                                   QColor(0x76, 0x76, 0x76),
                                   QColor(0x0A, 0x1F, 0x44)};
    for (bool dark : {false, true})
        for (const QColor& accent : accents) {
            SettingsTheme theme = SettingsTheme::forAppearance(dark);
            theme.accent = accent;
            SettingsPrimaryButton button("Continue", theme, nullptr);
            button.resize(150, 32);
            const QImage image = button.grab().toImage();
            const QColor fill = image.pixelColor(10, 16);
            const auto [text, ratio] = strongestContrast(image, {30, 6, 90, 20}, fill);
            require(contrastRatio(fill, accent) < 1.05 && ratio >= 4.5,
                    "Primary action text contrast");
        }
    return "Primary action text meets contrast on bright and dark accent colours";
}

std::string clothPixels() {
    Session s;
    s.window().showPane(SettingsPane::appearance);
    auto* preview = s.find<ClothPreview>();
    require(preview && preview->tint.has_value(), "Appearance sample");
    // Only the preview itself: its caption changes with the setting too.
    const QRect area(preview->mapTo(s.window().window(), QPoint(0, 0)), preview->size());
    const QImage tinted = s.window().renderCanvas().copy(area);
    s.activate("same-colors");
    require(!preview->tint.has_value(), "Appearance sample");
    const QImage shared = s.window().renderCanvas().copy(area);
    // The sample window itself, short of its antialiased rounded edge.
    QPainterPath inside;
    inside.addRoundedRect(preview->windowRect().adjusted(2, 2, -2, -2), 8, 8);
    int changed = 0;
    bool insideKept = true;
    for (int y = 0; y < tinted.height(); ++y)
        for (int x = 0; x < tinted.width(); ++x) {
            const bool differs = tinted.pixel(x, y) != shared.pixel(x, y);
            if (inside.contains(QPointF(x + 0.5, y + 0.5)))
                insideKept = insideKept && !differs;
            else if (differs)
                ++changed;
        }
    require(insideKept && changed > 2000,
            "App icon tint must change the cloth pixels, excluding the caption");
    return "Shared and app colours visibly change the actual sample cloth pixels";
}

std::string demoWeather() {
    Session s;
    const std::string& summary = s.window().weatherSummary();
    require(summary.find("Demo") != std::string::npos &&
                summary.find("Last updated") != std::string::npos,
            "Demo forecast needs a sample last-update time");
    return "Demo weather includes its sample update time";
}

std::string placeholderContrast() {
    for (bool dark : {false, true}) {
        Session s("default", dark);
        s.window().showPane(SettingsPane::weather);
        auto* field = qobject_cast<QLineEdit*>(s.window().control("city-input"));
        require(field != nullptr, "Missing control: city-input");
        const QColor placeholder = field->palette().color(QPalette::PlaceholderText);
        require(s.window().window()->palette().isBrushSet(QPalette::Active,
                                                          QPalette::PlaceholderText) &&
                    placeholder.alpha() == 255 && field->text().isEmpty(),
                "City placeholder needs an explicit foreground colour");
        const QImage image = field->grab().toImage();
        const QColor background = commonest(image, image.rect());
        const auto [text, ratio] =
            strongestContrast(image, image.rect().adjusted(6, 7, -40, -7), background);
        char line[96];
        std::snprintf(line, sizeof line, "City placeholder contrast %s: %.2f:1",
                      appearanceName(dark).c_str(), ratio);
        progress(line);
        require(ratio >= 4.5,
                "City placeholder contrast must reach 4.5:1 in " + appearanceName(dark));
    }
    return "City placeholder resolves to readable text in Aqua and Dark Aqua";
}

std::string badgeContrast() {
    for (bool dark : {false, true})
        for (int step = 0; step < kSetupStepCount; ++step) {
            Session s("default", dark);
            s.preview.showStep(static_cast<SetupStep>(step));
            SetupBadge* badge = nullptr;
            // The views are no Q_OBJECTs, so qobject_cast cannot tell them apart.
            for (auto* child : s.page()->findChildren<QWidget*>())
                if (auto* candidate = dynamic_cast<SetupBadge*>(child);
                    candidate && candidate->state() == SetupBadge::State::active)
                    badge = candidate;
            require(badge && badge->number() == step + 1 && badge->tint().isValid() &&
                        badge->tint().alpha() == 255,
                    "Active setup badge needs an explicit tint");
            const QImage canvas = s.window().renderCanvas();
            const QRect box(badge->mapTo(s.window().window(), QPoint(0, 0)), badge->size());
            // Left of the numeral, well inside the disc.
            const QColor fill = canvas.pixelColor(box.x() + 5, box.center().y());
            require(contrastRatio(fill, badge->tint()) < 1.1,
                    "Active setup badge needs an explicit tint");
            const auto [numeral, ratio] = strongestContrast(
                canvas, {box.center().x() - 4, box.center().y() - 5, 9, 11}, fill);
            char line[112];
            std::snprintf(line, sizeof line, "Active setup badge %d in %s: %.2f:1", step + 1,
                          appearanceName(dark).c_str(), ratio);
            progress(line);
            require(ratio >= 4.5, "Active setup badge knockout numeral must reach 4.5:1 in " +
                                      appearanceName(dark));
        }
    return "All six active setup badge numerals contrast with their fill in both appearances";
}

} // namespace

std::vector<std::string> SettingsWindowController::verifyInteractions() {
    ensureOffscreenApplication();
    static constexpr std::string (*checks[])() = {
        fixtureIcons,
        manualOutfitAndCloth,
        appearanceControls,
        applicationControls,
        browsingKeepsManualOutfit,
        updateControls,
        unitsAndCallbacks,
        citySearch,
        editingInvalidatesSearch,
        optionalAccessibility,
        setupNavigation,
        keyboardFocus,
        deferredWeather,
        pauseStatus,
        cityRowsFit,
        loginApproval,
        honestFinish,
        grantedAccessibility,
        colourExplanation,
        primaryContrast,
        clothPixels,
        demoWeather,
        placeholderContrast,
        badgeContrast,
    };
    std::vector<std::string> passed;
    for (auto check : checks)
        passed.push_back(check());
    return passed;
}

} // namespace garbello
