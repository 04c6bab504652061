#include "settings/settings_store.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace garbello {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    std::vector<LogRecord> logged() { return capture_.sink().records("settings"); }

    test::TemporaryDirectory directory_;
    const fs::path settingsPath = directory_ / "config/Garbello/settings.json";
    ScopedLogCapture capture_;
};

GarbelloSettings customised() {
    GarbelloSettings settings;
    settings.onboardingCompleted = true;
    settings.temperatureUnit = TemperatureUnit::fahrenheit;
    settings.setPreferredVariant(ClothVariant::third, Outfit::linen);
    settings.setPreferredVariant(ClothVariant::ninth, Outfit::hawaiian);
    settings.disabledApps.insert("org.gimp.GIMP");
    return settings;
}

TEST_F(SettingsStoreTest, FirstLaunchGivesDefaultsSilentlyAndSaveCreatesTheDirectories) {
    SettingsStore store(settingsPath);
    EXPECT_EQ(store.load(), GarbelloSettings{});
    EXPECT_TRUE(logged().empty());
    EXPECT_FALSE(fs::exists(directory_.path() / "config"));
    store.save(customised());
    EXPECT_EQ(store.load(), customised());
    EXPECT_EQ(logged(),
              (std::vector<LogRecord>{
                  {"settings", LogLevel::debug,
                   "Saved garbello settings: onboarding=true, unit=fahrenheit, preferred styles=2"},
                  {"settings", LogLevel::debug,
                   "Loaded garbello settings: onboarding=true, unit=fahrenheit, preferred "
                   "styles=2"}}));
}

TEST_F(SettingsStoreTest, SavedFileIsPrettyPrintedWithSortedKeys) {
    SettingsStore store(settingsPath);
    GarbelloSettings settings;
    settings.manualOutfit = Outfit::sweater;
    store.save(settings);
    EXPECT_EQ(readFile(settingsPath), R"({
  "appVariants": {},
  "askedForLocation": false,
  "borderWidth": 12.0,
  "disabledApps": [],
  "manualOutfit": "sweater",
  "onboardingCompleted": false,
  "patternScale": 1.0,
  "paused": false,
  "preferredVariants": {},
  "sameForAllApps": false,
  "temperatureUnit": "celsius",
  "updaterV1": {
    "automatic": true
  }
}
)");
}

// A directory where the file should be cannot be read even by root, nor
// replaced by a save, which says so.
TEST_F(SettingsStoreTest, UnreadableFilesGiveDefaultsWithTheErrorLineAndStayInPlace) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {R"({"temperatureUnit": "kelvin", "onboardingCompleted": true})",
         "The data couldn’t be read"},
        {R"({"borderWidth": 12,)", "The data couldn’t be read"},
        {"\xff\xfe{}", "The data couldn’t be read"},
        {std::nullopt, "Could not read"},
    };
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(reason);
        capture_.sink().clear();
        if (text) {
            writeFileAtomically(settingsPath, *text);
        } else {
            fs::remove(settingsPath);
            fs::create_directories(settingsPath);
        }
        SettingsStore store(settingsPath);
        EXPECT_EQ(store.load(), GarbelloSettings{});
        auto records = logged();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].level, LogLevel::error);
        EXPECT_TRUE(records[0].message.starts_with(
            "Unable to read garbello settings; using defaults: " + reason))
            << records[0].message;
        if (text) {
            EXPECT_EQ(readFile(settingsPath), *text);
            continue;
        }
        EXPECT_THROW(store.save(customised()), FileError);
        EXPECT_TRUE(fs::is_directory(settingsPath));
    }
}

// Kept-copy names beside settings.json, for numbers first...last.
std::vector<std::string> keptNames(int first, int last) {
    std::vector<std::string> names;
    for (int number = first; number <= last; ++number)
        names.push_back("settings.json.unreadable" +
                        (number > 1 ? "-" + std::to_string(number) : std::string()));
    return names;
}

std::vector<std::string> joined(std::vector<std::string> names,
                                const std::vector<std::string>& more) {
    names.insert(names.end(), more.begin(), more.end());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SettingsStoreTest, KeepsOnlyTheNewestUnreadableCopiesAndAlwaysSaves) {
    const std::vector<std::string> foreign = {
        "settings.json.unreadable-07", "settings.json.unreadable-x", "settings.json.unreadable-1",
        "settings.json.unreadable-4294967296", "settings.json.unreadable-0"};
    // The copies before, the newest copy (none when the file was readable)
    // and the copies after a save.
    using Names = std::vector<std::string>;
    const std::tuple<const char*, Names, std::string, Names> cases[] = {
        {"a readable file is simply replaced", keptNames(1, 1), "", keptNames(1, 1)},
        {"first damage", {}, "settings.json.unreadable", keptNames(1, 1)},
        {"one short of the limit", keptNames(1, 9), "settings.json.unreadable-10",
         keptNames(1, 10)},
        {"at the limit", keptNames(1, 10), "settings.json.unreadable-11", keptNames(2, 11)},
        {"far past it", keptNames(1, 100), "settings.json.unreadable-101", keptNames(92, 101)},
        {"after gaps",
         {"settings.json.unreadable-3", "settings.json.unreadable-7"},
         "settings.json.unreadable-8",
         {"settings.json.unreadable-3", "settings.json.unreadable-7",
          "settings.json.unreadable-8"}},
        {"other names are not copies", joined(foreign, keptNames(5, 5)),
         "settings.json.unreadable-6", joined(foreign, keptNames(5, 6))},
    };
    const fs::path folder = settingsPath.parent_path();
    for (const auto& [name, before, newest, after] : cases) {
        SCOPED_TRACE(name);
        fs::remove_all(folder);
        for (const std::string& copy : before)
            writeFileAtomically(folder / copy, "earlier damage");
        writeFileAtomically(settingsPath, newest.empty() ? "{}" : "{damaged");
        SettingsStore store(settingsPath);
        ASSERT_NO_THROW(store.save(customised()));
        EXPECT_EQ(store.load(), customised());
        if (!newest.empty()) {
            EXPECT_EQ(readFile(folder / newest), "{damaged");
        }
        EXPECT_EQ(test::entryNames(folder), joined(after, {"settings.json"}));
    }
}

// Saving without such keys logs no error: see the saved-and-loaded lines above.
TEST_F(SettingsStoreTest, KeysThatAreNotUtf8AreLeftOutAndTheRestIsSaved) {
    const std::string bad = "org.\xff\xfe.app";
    GarbelloSettings clean = customised();
    clean.setVariant(ClothVariant::fifth, "org.mail", Outfit::linen);
    GarbelloSettings settings = clean;
    settings.disabledApps.insert(bad);
    settings.disabledApps.insert(bad + "2");
    settings.setVariant(ClothVariant::second, bad, Outfit::sweater);
    // Outfit names inside a choice; org.notes is left with no choice at all.
    settings.appVariants["org.mail"].emplace(bad, ClothVariant::second);
    settings.appVariants["org.notes"].emplace(bad, ClothVariant::second);
    settings.preferredVariants.emplace(bad, ClothVariant::third);

    SettingsStore store(settingsPath);
    ASSERT_NO_THROW(store.save(settings));
    EXPECT_EQ(store.load(), clean);
    EXPECT_EQ(
        logged().front(),
        (LogRecord{"settings", LogLevel::error,
                   "Left 6 settings keys that are not valid UTF-8 out of the saved settings"}));
}

// A writer killed at any moment leaves either the old or the new file, and a
// reader running alongside never sees a torn one.
TEST_F(SettingsStoreTest, KilledSaveNeverLeavesATornFile) {
    SettingsStore store(settingsPath);
    GarbelloSettings small;
    GarbelloSettings large = customised();
    for (int i = 0; i < 2000; ++i)
        large.disabledApps.insert("org.example.application" + std::to_string(i));
    store.save(small);

    for (int round = 0; round < 10; ++round) {
        pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = 0;; ++i)
                store.save(i % 2 ? small : large);
        }
        for (int i = 0; i < 20; ++i) {
            GarbelloSettings seen = store.load();
            EXPECT_TRUE(seen == small || seen == large);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(round));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        GarbelloSettings after = store.load();
        EXPECT_TRUE(after == small || after == large) << "round " << round;
    }
    for (const LogRecord& record : logged())
        EXPECT_NE(record.level, LogLevel::error) << record.message;
}

TEST(SettingsLocationTest, FollowsTheXdgConfigurationHome) {
    const std::string ada = "/home/ada/.config/Garbello/settings.json";
    test::ScopedEnvironment home("HOME", "/home/ada");
    for (const auto& [xdgConfigHome, expected] :
         {std::pair<const char*, std::string>{"/srv/config", "/srv/config/Garbello/settings.json"},
          {"relative/config", ada},
          {"", ada},
          {nullptr, ada}}) {
        test::ScopedEnvironment config("XDG_CONFIG_HOME", xdgConfigHome);
        EXPECT_EQ(SettingsStore::defaultPath(), expected)
            << (xdgConfigHome ? xdgConfigHome : "(unset)");
    }
}

} // namespace
} // namespace garbello
