#pragma once

#include "model/cloth_variant.h"
#include "model/outfit.h"
#include "model/place.h"
#include "model/temperature_unit.h"
#include "support/json_decode.h"
#include "tracking/tracked_window.h"
#include "update/update_preferences.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace garbello {

// The one record of user preferences. The application holds the current
// value, the settings window edits copies, and the settings store keeps it
// in a JSON file.
struct GarbelloSettings {
    // Outfit raw value → cloth.
    using VariantChoices = std::map<std::string, ClothVariant, std::less<>>;

    static constexpr double kDefaultBorderWidth = 12;
    static constexpr double kMinimumBorderWidth = 4;
    static constexpr double kMaximumBorderWidth = 32;
    static constexpr double kDefaultPatternScale = 1;
    static constexpr double kMinimumPatternScale = 0.5;
    static constexpr double kMaximumPatternScale = 3;

    UpdatePreferences updaterV1;
    // Absent: the weather chooses.
    std::optional<Outfit> manualOutfit;
    // Points around each window; kept within 4...32.
    double borderWidth = kDefaultBorderWidth;
    // Kept within 0.5...3.
    double patternScale = kDefaultPatternScale;
    // False: each application's icon tints its cloth.
    bool sameForAllApps = false;
    bool paused = false;
    // Bundle identifiers whose windows are never dressed.
    std::set<std::string, std::less<>> disabledApps;
    std::optional<Place> place;
    bool askedForLocation = false;
    bool onboardingCompleted = false;
    TemperatureUnit temperatureUnit = TemperatureUnit::celsius;
    // The cloth of an outfit for all applications.
    VariantChoices preferredVariants;
    // Bundle identifier → the cloth of an outfit in that application.
    std::map<std::string, VariantChoices, std::less<>> appVariants;

    bool operator==(const GarbelloSettings&) const = default;

    // Brings the numeric fields into range: a non-finite value takes its
    // default, anything else is clamped.
    void normalize();

    std::optional<ClothVariant> preferredVariant(Outfit outfit) const;
    // Removes the choice when `variant` is absent.
    void setPreferredVariant(std::optional<ClothVariant> variant, Outfit outfit);

    std::optional<ClothVariant> variantOverride(std::string_view bundleID, Outfit outfit) const;
    // Removes the choice when `variant` is absent, and the application's whole
    // entry once it holds no choice.
    void setVariant(std::optional<ClothVariant> variant, std::string_view bundleID, Outfit outfit);

    // The application's choice, else the outfit's, else the window's own
    // stable automatic cloth.
    ClothVariant variant(const TrackedWindow& window, Outfit outfit) const;

    // Every key except absent `manualOutfit` and `place`.
    Json toJson() const;
    // Lenient about what is missing, strict about what is there: a missing or
    // null key takes its default, unknown keys are ignored, but a present value
    // of the wrong type or outside its domain fails the whole record with
    // DecodingError. Inside the nested records (`updaterV1`, `place`) a null
    // member is absent and a bad optional member takes its default alone; a
    // missing or bad required member fails the whole record. The result is
    // normalized.
    static GarbelloSettings fromJson(const Json& json);
};

} // namespace garbello
