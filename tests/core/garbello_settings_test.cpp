#include "settings/garbello_settings.h"
#include "settings/startup_presentation.h"

#include <gtest/gtest.h>

#include <limits>

namespace garbello {
namespace {

GarbelloSettings decode(const std::string& text) {
    return GarbelloSettings::fromJson(Json::parse(text));
}

GarbelloSettings everythingSet() {
    GarbelloSettings settings;
    settings.updaterV1.automatic = false;
    settings.updaterV1.lastChecked = dateFromReferenceSeconds(800'000'000.25);
    settings.updaterV1.skippedVersion = "0.4.0";
    settings.manualOutfit = Outfit::rainJacket;
    settings.borderWidth = 20.5;
    settings.patternScale = 2;
    settings.sameForAllApps = true;
    settings.paused = true;
    settings.disabledApps = {"org.gimp.GIMP", "firefox"};
    settings.place = Place{"Hobart, Australia", -42.88, 147.33, "Australia/Hobart"};
    settings.askedForLocation = true;
    settings.onboardingCompleted = true;
    settings.temperatureUnit = TemperatureUnit::fahrenheit;
    settings.setPreferredVariant(ClothVariant::tenth, Outfit::sweater);
    settings.setVariant(ClothVariant::third, "org.mail", Outfit::linen);
    return settings;
}

// The defaults' written form is pinned by the settings file test; an empty
// object, and every key null, read as the defaults.
TEST(GarbelloSettingsTest, EveryFieldRoundTripsInItsWrittenFormAndNullsAreDefaults) {
    const Json full = everythingSet().toJson();
    EXPECT_EQ(GarbelloSettings::fromJson(full), everythingSet());
    EXPECT_EQ(full["preferredVariants"], Json::parse(R"({"sweater": 9})"));
    EXPECT_EQ(full["appVariants"], Json::parse(R"({"org.mail": {"linen": 2}})"));
    EXPECT_EQ(full["disabledApps"], Json::parse(R"(["firefox", "org.gimp.GIMP"])"));
    EXPECT_EQ(decode("{}"), GarbelloSettings{});
    Json allNull = Json::object();
    for (const auto& [key, value] : full.items())
        allNull[key] = nullptr;
    EXPECT_EQ(GarbelloSettings::fromJson(allNull), GarbelloSettings{});
}

TEST(GarbelloSettingsTest, PresentValuesOfTheWrongTypeOrDomainFailTheWholeRecord) {
    // One record per element; the last two are not objects at all.
    const Json invalid = Json::parse(R"([
        {"manualOutfit": "Rain jacket"}, {"manualOutfit": 1}, {"borderWidth": "12"},
        {"sameForAllApps": "true"}, {"disabledApps": ["firefox", 3]},
        {"place": {"name": "Oslo", "latitude": 59.9, "longitude": 10.7}}, {"place": "Oslo"},
        {"place": {"name": null, "latitude": 59.9, "longitude": 10.7, "timezone": "UTC"}},
        {"place": {"name": "Oslo", "latitude": "59.9", "longitude": 10.7, "timezone": "UTC"}},
        {"updaterV1": {}}, {"updaterV1": {"automatic": null, "skippedVersion": "0.4.0"}},
        {"updaterV1": {"automatic": "yes", "lastChecked": "yesterday"}},
        {"temperatureUnit": "kelvin"}, {"preferredVariants": {"sweater": 12}},
        {"preferredVariants": {"sweater": 2.5}}, {"appVariants": {"org.mail": {"linen": 10}}},
        {"appVariants": {"org.mail": 3}}, {"appVariants": []}, [], "settings"])");
    for (const Json& record : invalid)
        EXPECT_THROW(GarbelloSettings::fromJson(record), DecodingError) << record;
}

// A damaged optional member of a nested record must not cost the user every
// other choice in the file.
TEST(GarbelloSettingsTest, NestedRecordsLoseOnlyTheirBadOptionalMembers) {
    // The lastChecked and skippedVersion that survive, and the updater record.
    const std::tuple<std::optional<double>, std::optional<std::string>, const char*> cases[] = {
        {{}, {}, R"({"automatic": false, "lastChecked": null})"},
        {{}, "0.4.0", R"({"automatic": false, "lastChecked": "yesterday",
                          "skippedVersion": "0.4.0"})"},
        {{}, {}, R"({"automatic": false, "lastChecked": 1e300, "skippedVersion": null})"},
        {5, {}, R"({"automatic": false, "lastChecked": 5, "skippedVersion": 4,
                    "pendingResultPath": [null]})"},
    };
    for (const auto& [lastChecked, skippedVersion, updaterV1] : cases) {
        SCOPED_TRACE(updaterV1);
        const std::string prefix = R"({"paused": true, "place": {"name": "Oslo", "latitude": 59.9,
            "longitude": 10.7, "timezone": "Europe/Oslo", "country": null}, "updaterV1": )";
        const GarbelloSettings settings = decode(prefix + updaterV1 + "}");
        EXPECT_TRUE(settings.paused);
        EXPECT_EQ(settings.place, (Place{"Oslo", 59.9, 10.7, "Europe/Oslo"}));
        EXPECT_FALSE(settings.updaterV1.automatic);
        EXPECT_EQ(settings.updaterV1.lastChecked,
                  lastChecked ? std::optional(dateFromReferenceSeconds(*lastChecked))
                              : std::nullopt);
        EXPECT_EQ(settings.updaterV1.skippedVersion, skippedVersion);
        EXPECT_EQ(settings.updaterV1.pendingResultPath, std::nullopt);
    }
}

TEST(GarbelloSettingsTest, NumbersOutOfRangeAreRepairedOnDecode) {
    // A file's numbers, and the border width and pattern scale they decode to.
    const std::tuple<const char*, double, double> cases[] = {
        {R"({"borderWidth": 2})", 4, 1},      {R"({"borderWidth": 40})", 32, 1},
        {R"({"borderWidth": 32})", 32, 1},    {R"({"borderWidth": 12.75})", 12.75, 1},
        {R"({"borderWidth": -1e300})", 4, 1}, {R"({"patternScale": 0.1})", 12, 0.5},
        {R"({"patternScale": 5})", 12, 3},    {R"({"patternScale": 0.5})", 12, 0.5},
    };
    for (const auto& [json, borderWidth, patternScale] : cases) {
        EXPECT_EQ(decode(json).borderWidth, borderWidth) << json;
        EXPECT_EQ(decode(json).patternScale, patternScale) << json;
    }
    // Unknown keys are ignored.
    EXPECT_EQ(decode(R"({"future": [{}], "borderWidth": 8})").borderWidth, 8);
    // Numbers JSON cannot carry, set in memory, take their defaults.
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        GarbelloSettings settings;
        settings.borderWidth = bad;
        settings.patternScale = bad;
        settings.normalize();
        EXPECT_EQ(settings.borderWidth, 12);
        EXPECT_EQ(settings.patternScale, 1);
    }
}

// Clearing a choice removes its entry, and an application left without any.
TEST(GarbelloSettingsTest, ClearingVariantsRemovesTheirEntries) {
    GarbelloSettings settings;
    settings.setPreferredVariant(ClothVariant::sixth, Outfit::linen);
    EXPECT_EQ(settings.preferredVariant(Outfit::sweater), std::nullopt);
    settings.setPreferredVariant(std::nullopt, Outfit::linen);
    EXPECT_TRUE(settings.preferredVariants.empty());
    settings.setVariant(ClothVariant::second, "org.mail", Outfit::linen);
    settings.setVariant(ClothVariant::third, "org.mail", Outfit::sweater);
    settings.setVariant(std::nullopt, "org.mail", Outfit::linen);
    EXPECT_EQ(settings.toJson()["appVariants"], Json::parse(R"({"org.mail": {"sweater": 2}})"));
    settings.setVariant(std::nullopt, "org.mail", Outfit::sweater);
    settings.setVariant(std::nullopt, "org.notes", Outfit::linen);
    EXPECT_TRUE(settings.appVariants.empty());
}

TEST(StartupPresentationTest, SetupUntilOnboardedThenSilentAtLoginOnly) {
    using enum StartupPresentation::Case;
    // Onboarding completed, launched at login, and what the launch shows.
    const std::tuple<bool, bool, StartupPresentation> cases[] = {{false, false, setup},
                                                                 {false, true, setup},
                                                                 {true, true, background},
                                                                 {true, false, settings}};
    for (const auto& [onboarded, atLogin, expected] : cases)
        EXPECT_EQ(StartupPresentation::choose(onboarded, atLogin), expected)
            << onboarded << atLogin;
}

TEST(StartupPresentationTest, RawValuesParseBackAndNothingElseDoes) {
    for (StartupPresentation presentation : StartupPresentation::allCases())
        EXPECT_EQ(StartupPresentation::parse(presentation.rawValue()), presentation);
    for (const char* text : {"Setup", "", "none", "background "})
        EXPECT_EQ(StartupPresentation::parse(text), std::nullopt) << text;
}

TEST(VariantAssignmentTest, AutomaticVariantMatchesTheWorkedFnvValues) {
    // Hashes of the key "<bundle>\0<decimal window>" computed independently:
    // Safari 42 → 0x866a3ce2973aab90, Safari 43 → 0x866a3de2973aad43,
    // "" 4294967295 → 0xf95620a65c0b932c.
    const std::tuple<const char*, std::uint32_t, int> cases[] = {
        {"com.apple.Safari", 42, 0}, {"com.apple.Safari", 43, 1},
        {"com.apple.finder", 1, 9},  {"", 0, 5},
        {"", 4294967295u, 2},        {"a", 7, 1},
    };
    for (const auto& [bundleID, windowID, variant] : cases)
        EXPECT_EQ(ClothVariant::automatic(bundleID, windowID).rawValue(), variant)
            << bundleID << " " << windowID;
}

TrackedWindow window(std::string bundleID, std::uint32_t id) {
    TrackedWindow tracked;
    tracked.bundleID = std::move(bundleID);
    tracked.id = id;
    return tracked;
}

TEST(VariantAssignmentTest, ApplicationChoiceBeatsOutfitChoiceBeatsAutomatic) {
    GarbelloSettings settings;
    settings.setPreferredVariant(ClothVariant::fourth, Outfit::sweater);
    settings.setVariant(ClothVariant::eighth, "org.mail", Outfit::sweater);
    settings.setVariant(ClothVariant::second, "org.notes", Outfit::linen);

    const TrackedWindow safari = window("com.apple.Safari", 42);
    const std::tuple<const char*, TrackedWindow, Outfit, ClothVariant> cases[] = {
        {"outfit-wide choice", safari, Outfit::sweater, ClothVariant::fourth},
        {"application choice", window("org.mail", 1), Outfit::sweater, ClothVariant::eighth},
        {"application choice for another outfit only", window("org.notes", 1), Outfit::sweater,
         ClothVariant::fourth},
        {"application choice of its own outfit", window("org.notes", 1), Outfit::linen,
         ClothVariant::second},
        {"other outfits stay automatic", safari, Outfit::hawaiian, ClothVariant::classic},
        {"automatic ignores the outfit", window("com.apple.Safari", 43), Outfit::snowGear,
         ClothVariant::second},
    };
    for (const auto& [name, window, outfit, expected] : cases)
        EXPECT_EQ(settings.variant(window, outfit), expected) << name;
}

} // namespace
} // namespace garbello
