#pragma once

#include "draw/bitmap.h"
#include "model/outfit.h"
#include "model/place.h"
#include "platform/overlay_host.h"
#include "platform/task_queue.h"
#include "settings/garbello_settings.h"
#include "support/error.h"
#include "update/update_release.h"

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QStyle;

namespace garbello {

class ClothPreview;
class SettingsCanvas;
class SettingsPreview;
struct SettingsTheme;

// The six panes behind the sidebar, in sidebar order.
enum class SettingsPane { outfits, weather, appearance, apps, general, updates };
inline constexpr SettingsPane kSettingsPanes[] = {SettingsPane::outfits,    SettingsPane::weather,
                                                  SettingsPane::appearance, SettingsPane::apps,
                                                  SettingsPane::general,    SettingsPane::updates};
std::string_view rawValue(SettingsPane pane);
std::string_view title(SettingsPane pane);

// The steps of the first-run setup, drawn in the same window.
enum class SetupStep { welcome, location, accessibility, apps, login, finish };
inline constexpr int kSetupStepCount = 6;

// A running application as the owner knows it: what the Apps pane lists
// and where its icon comes from.
struct RunningApplicationInfo {
    std::string identifier;
    std::string name;
    std::int32_t processID = 0;
    std::uint32_t windowID = 0;
};

// One row of the Apps pane.
struct ApplicationChoice {
    std::string identifier;
    std::string name;
    // None when the desktop has no icon for it.
    std::optional<Image> icon;
};

// What the settings window may show while an update is checked, offered or
// downloaded; the update controller's fields, pushed by the owner.
struct SettingsUpdateState {
    std::optional<UpdateRelease> release;
    std::string status = "Check for a newer version any time.";
    std::optional<double> progress;
    bool busy = false;
    bool canOpenDownload = false;

    bool operator==(const SettingsUpdateState&) const = default;
};

// The application's one window: six settings panes behind a sidebar (and,
// in its place, the first-run setup). It edits a private copy of the
// settings and hands every change to `onSettingsChange`; it saves nothing
// itself. Every screen is laid out absolutely on a 1000 × 760 canvas and
// rebuilt from scratch by `rebuild()`; only the state fields below survive a
// rebuild, and the control that had the keyboard focus gets it back.
//
// Main thread only. City-search completions may arrive on any thread; they
// come back through `mainThread` and hold the controller weakly. Create it
// with `create`.
class SettingsWindowController : public std::enable_shared_from_this<SettingsWindowController> {
public:
    // What the window needs of the desktop; each must outlive the controller.
    struct Services {
        platform::TaskQueue& mainThread;
        platform::ApplicationIcons& icons;
        // The running regular applications other than this one.
        std::function<std::vector<RunningApplicationInfo>()> runningApplications;
        // The display name of an application that is not running; the
        // identifier itself when unset or empty.
        std::function<std::string(const std::string& identifier)> applicationName;
    };

    // Why an offscreen render or the self-test failed.
    class RenderError : public Error {
    public:
        enum class Kind { interaction, invalidScreen, bitmap, encoding };
        explicit RenderError(Kind kind, const std::string& message = {});
        Kind kind() const { return kind_; }

    private:
        Kind kind_;
    };

    // Renders one screen over the demo data to the PNG file `output`: a
    // pane ("settings-" and its raw value), a setup step ("setup-1" to
    // "setup-6") or "update-prompt", optionally followed by a colon and a
    // preview scenario. Needs no display: without a Qt application it makes
    // one on the offscreen platform.
    static void renderScreen(const std::string& screen, bool dark,
                             const std::filesystem::path& output);
    // Every pane, then every setup step, light and then dark, into
    // `directory`; returns the files written, in order.
    static std::vector<std::filesystem::path> renderSheets(const std::filesystem::path& directory);
    // Drives the real controls of a preview window through the self-test;
    // returns the labels of the checks, in order, or throws the first
    // failure as RenderError::Kind::interaction.
    static std::vector<std::string> verifyInteractions();

    static std::shared_ptr<SettingsWindowController> create(GarbelloSettings initialSettings,
                                                            bool previewMode, Services services);
    ~SettingsWindowController();
    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    // Places found for a query, or none with a message saying why.
    using CitySearchCompletion =
        std::function<void(std::vector<Place> places, std::optional<std::string> message)>;

    std::function<void(const GarbelloSettings&)> onSettingsChange;
    // Called with the trimmed query; the completion may run on any thread.
    std::function<void(const std::string& query, CitySearchCompletion completion)> onCitySearch;
    std::function<void(const Place&)> onPlace;
    std::function<void()> onCurrentLocation;
    std::function<void()> onRefresh;
    std::function<void()> onAccessibility;
    std::function<void()> onLogin;
    std::function<void()> onCheckUpdates;
    std::function<void()> onInstallUpdate;
    std::function<void()> onSkipUpdate;
    std::function<void()> onOpenDownload;
    std::function<void()> onQuit;

    // Shows the window centred and in front; nothing in preview mode.
    void present();
    // Throws away every view and builds the current screen again.
    void rebuild();
    // Fresh state from the owner. Nothing happens when it equals what the
    // window shows and no refresh is pending; while the user types in the
    // city field or drags a slider the new state is kept and shown by the
    // next update after that.
    void update(const GarbelloSettings& settings, const std::string& weatherSummary,
                bool accessibilityGranted, const std::string& loginStatus);
    // The update controller's state; shown at once on the Updates pane.
    void setUpdateState(SettingsUpdateState state);
    // Rebuilds when an application list is on screen, so launched and quit
    // applications show up at once.
    void refreshApplications();
    // Starts the first-run setup at its first step and presents the window.
    void showOnboarding();
    // Leaves any setup for the panes (on `pane` when given) and presents the
    // window; a city search in flight goes stale.
    void showSettings(std::optional<SettingsPane> pane = std::nullopt);
    // The desktop's light or dark appearance; the window follows it.
    void setDarkAppearance(bool dark);
    // What a sidebar button does.
    void showPane(SettingsPane pane);

    // "Open Login Items settings" while approval is needed, "Turn off launch
    // at login" when on, "Turn on launch at login" otherwise.
    static std::string loginActionTitle(std::string_view loginStatus);

    const GarbelloSettings& settings() const { return settings_; }
    bool previewMode() const { return previewMode_; }
    SettingsPane pane() const { return pane_; }
    std::optional<SetupStep> setup() const { return setup_; }
    Outfit browsingOutfit() const { return browsingOutfit_; }
    bool sampleDark() const { return sampleDark_; }
    const std::string& weatherSummary() const { return weatherSummary_; }
    const std::string& cityInput() const { return cityInput_; }
    const std::vector<Place>& cityResults() const { return cityResults_; }
    const std::string& searchMessage() const { return searchMessage_; }
    bool pendingRefresh() const { return pendingRefresh_; }
    // The rows of the Apps pane as last built.
    const std::vector<ApplicationChoice>& applicationChoices() const { return applications_; }

    // The top-level window (the canvas).
    QWidget* window() const;
    // The views of the screen on show.
    QWidget* page() const { return page_; }
    // The control registered under `key` on the screen on show, else null.
    QWidget* control(std::string_view key) const;
    std::vector<std::string> controlKeys() const;
    // The canvas as it would appear on screen, without showing it.
    QImage renderCanvas() const;

private:
    class Builder;
    friend class SettingsPreview;

    SettingsWindowController(GarbelloSettings initialSettings, bool previewMode, Services services);

    const SettingsTheme& theme() const;
    void changed(const std::string& action, bool rebuildAfter);
    void refreshPreviews();
    void bind(QWidget* control, const std::string& key);
    void search();
    void finishSearch(std::uint64_t token, std::vector<Place> places,
                      std::optional<std::string> message);
    void cityTextEdited(const QString& text);
    bool isTypingInCityField() const;
    bool isDraggingSlider() const;
    void rebuildOrDefer();
    void newSearchToken() { ++searchID_; }
    void finishSetup();
    std::vector<ApplicationChoice> loadApplications();

    void buildSidebar(Builder& b);
    void buildHeader(Builder& b, const std::string& title, const std::string& subtitle);
    void buildOutfits(Builder& b);
    void buildWeather(Builder& b);
    void buildAppearance(Builder& b);
    void buildApps(Builder& b);
    void buildGeneral(Builder& b);
    void buildUpdates(Builder& b);
    void buildSetup(Builder& b);
    void buildSetupSidebar(Builder& b);
    void setupTitle(Builder& b, const std::string& title, const std::string& description);
    void buildWelcomeStep(Builder& b);
    void buildLocationStep(Builder& b);
    void buildAccessibilityStep(Builder& b);
    void buildAppsStep(Builder& b);
    void buildLoginStep(Builder& b);
    void buildFinishStep(Builder& b);
    void goToStep(SetupStep step);
    void buildCitySearch(Builder& b, int x, int y, int width, int resultsHeight,
                         const std::string& note);
    void buildOutfitPicker(Builder& b, const QRect& frame, const std::string& key);
    void buildBorderWidth(Builder& b, const QRect& label, const QRect& slider);
    void buildApplicationList(Builder& b, const QRect& frame, int rowHeight);
    void buildForecast(Builder& b, const QRect& frame, int summaryHeight);

    Services services_;
    SettingsUpdateState update_;
    GarbelloSettings settings_;
    bool previewMode_;
    SettingsPane pane_ = SettingsPane::outfits;
    std::optional<SetupStep> setup_;
    Outfit browsingOutfit_ = Outfit::sweater;
    bool sampleDark_ = false;
    bool darkAppearance_ = false;
    std::string weatherSummary_ = "Choose a location to see the weather and today's outfit.";
    bool accessibilityGranted_ = false;
    std::string loginStatus_ = "Off";

    std::string cityInput_;
    std::vector<Place> cityResults_;
    std::string searchMessage_;
    // The token of the current search; a reply that carries another is stale.
    std::uint64_t searchID_ = 0;
    bool pendingRefresh_ = false;

    std::map<std::string, QPointer<QWidget>, std::less<>> controls_;
    std::vector<QPointer<ClothPreview>> previews_;
    std::vector<QPointer<QLabel>> previewCaptions_;
    std::vector<ApplicationChoice> applications_;
    std::map<std::string, std::optional<Image>, std::less<>> iconCache_;

    // The style outlives the widgets that use it.
    std::unique_ptr<QStyle> style_;
    std::unique_ptr<SettingsCanvas> canvas_;
    QPointer<QWidget> page_;
};

} // namespace garbello
