// Opens the settings window on the desktop with made-up applications, or,
// with --png DIR, writes every pane in light and dark to DIR without a
// display, for looking at the layout.
#include "app/settings_window_controller.h"
#include "platform/main_thread_queue.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class NoIcons final : public garbello::platform::ApplicationIcons {
public:
    std::optional<garbello::Image> icon(std::int32_t, const std::string&, std::uint32_t) override {
        return std::nullopt;
    }
};

} // namespace

int main(int argc, char** argv) {
    using namespace garbello;
    const bool toFiles = argc == 3 && std::strcmp(argv[1], "--png") == 0;
    std::vector<char*> args{argv[0]};
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    if (toFiles) {
        args.push_back(platformOption);
        args.push_back(offscreen);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());

    platform::MainThreadQueue mainThread;
    NoIcons icons;
    GarbelloSettings settings;
    settings.place = Place{"Portland, Oregon", 45.52, -122.68, "America/Los_Angeles"};
    settings.setVariant(ClothVariant::second, "org.gnome.Evolution", Outfit::sweater);
    auto window = SettingsWindowController::create(
        settings, false,
        {mainThread, icons,
         [] {
             return std::vector<RunningApplicationInfo>{
                 {"firefox", "Firefox Web Browser", 0, 0},
                 {"org.gnome.Nautilus", "Files", 0, 0},
                 {"org.gnome.TextEditor", "Text Editor", 0, 0},
                 {"org.gnome.Terminal", "Terminal", 0, 0},
             };
         },
         [](const std::string&) { return std::string("Evolution"); }});
    window->update(settings,
                   "14°C · Feels like 12°C · Dry\nLast updated today at 9:30 AM\nSweater · Cool "
                   "and dry",
                   false, "Off");
    window->onCitySearch = [](const std::string& query, auto completion) {
        completion({{query + ", Oregon", 45.52, -122.68, "auto"},
                    {query + ", Maine", 43.66, -70.26, "auto"}},
                   std::nullopt);
    };
    if (!toFiles) {
        window->present();
        return app.exec();
    }
    const std::filesystem::path directory = argv[2];
    std::filesystem::create_directories(directory);
    for (bool dark : {false, true}) {
        window->setDarkAppearance(dark);
        for (SettingsPane pane : kSettingsPanes) {
            window->showPane(pane);
            const auto file = directory / ("settings-" + std::string(rawValue(pane)) + "-" +
                                           (dark ? "dark" : "light") + ".png");
            window->renderCanvas().save(QString::fromStdString(file.string()));
            std::fprintf(stderr, "%s\n", file.c_str());
        }
    }
    // A few states beyond the defaults: search results, an update on
    // offer with progress, permission granted and approval pending.
    auto save = [&](const std::string& name) {
        const auto file = directory / (name + ".png");
        window->renderCanvas().save(QString::fromStdString(file.string()));
        std::fprintf(stderr, "%s\n", file.c_str());
    };
    UpdateRelease release;
    release.version = "0.4.0";
    release.releaseNotes = "Warmer knits for cold mornings, and borders that keep up with "
                           "windows while they move.";
    for (bool dark : {false, true}) {
        const std::string suffix = dark ? "-dark" : "-light";
        window->setDarkAppearance(dark);
        window->showPane(SettingsPane::weather);
        auto* field = static_cast<QLineEdit*>(window->control("city-input"));
        field->setText("Portland");
        emit field->textEdited(field->text());
        static_cast<QAbstractButton*>(window->control("city-search"))->click();
        QCoreApplication::processEvents();
        save("settings-weather-results" + suffix);
        window->setUpdateState({release, "Downloading the update\u2026", 0.4, true, false});
        window->showPane(SettingsPane::updates);
        save("update-prompt" + suffix);
        window->update(settings, "14°C", true, "Approval needed in System Settings");
        window->showPane(SettingsPane::general);
        save("settings-general-approval" + suffix);
        GarbelloSettings chosen = settings;
        chosen.manualOutfit = Outfit::sweater;
        chosen.setPreferredVariant(ClothVariant::fourth, Outfit::sweater);
        chosen.paused = true;
        window->update(chosen, "14°C", false, "Off");
        window->showPane(SettingsPane::outfits);
        save("settings-outfits-chosen" + suffix);
        window->update(settings, "14°C", false, "Off");
    }
    return 0;
}
