#include "settings/garbello_settings.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace garbello {
namespace {

// Keeps a finite value within [minimum, maximum]; anything else becomes the
// fallback.
double clampedOrDefault(double value, double minimum, double maximum, double fallback) {
    if (!std::isfinite(value))
        return fallback;
    return std::min(std::max(value, minimum), maximum);
}

Json variantChoicesJson(const GarbelloSettings::VariantChoices& choices) {
    Json json = Json::object();
    for (const auto& [outfit, variant] : choices)
        json[outfit] = variant.rawValue();
    return json;
}

// The value under `key` unless the key is missing or null: both mean "use the
// default" in the settings file.
const Json* presentValue(const Json& object, std::string_view key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return nullptr;
    return &*found;
}

DecodingError outOfDomain(std::string_view key, const std::string& what) {
    return DecodingError(DecodingError::Kind::dataCorrupted, std::string(key),
                         "The data couldn’t be read because it isn’t in the correct format: \"" +
                             std::string(key) + "\" " + what + ".");
}

template <typename Record, typename Parse>
Record parseRawValue(const Json& object, std::string_view key, Parse parse, const char* kind) {
    std::string rawValue = json::requireString(object, key);
    auto parsed = parse(rawValue);
    if (!parsed)
        throw outOfDomain(key, "holds \"" + rawValue + "\", which is not " + kind);
    return *parsed;
}

GarbelloSettings::VariantChoices decodeVariantChoices(const Json& value, std::string_view key) {
    if (!value.is_object())
        throw DecodingError::typeMismatch(key, "an object of variant numbers");
    GarbelloSettings::VariantChoices choices;
    for (const auto& [outfit, raw] : value.items()) {
        auto number = json::integerValue(raw);
        auto variant = number ? ClothVariant::parse(*number) : std::nullopt;
        if (!variant)
            throw outOfDomain(key, "holds a variant for \"" + outfit +
                                       "\" that is not an integer from 0 to 9");
        choices.emplace(outfit, *variant);
    }
    return choices;
}

std::set<std::string, std::less<>> decodeStringSet(const Json& value, std::string_view key) {
    if (!value.is_array())
        throw DecodingError::typeMismatch(key, "an array of strings");
    std::set<std::string, std::less<>> strings;
    for (const Json& element : value) {
        if (!element.is_string())
            throw DecodingError::typeMismatch(key, "an array of strings");
        strings.insert(element.get<std::string>());
    }
    return strings;
}

// A nested record of the settings file, read leniently: a null member counts
// as absent, and an optional member that does not decode costs only itself.
// A required member that is missing or bad still fails the whole record.
template <typename Record> Record decodeNestedRecord(const Json& value, std::string_view key) {
    json::requireObject(value, key);
    Json members = Json::object();
    for (const auto& [name, member] : value.items())
        if (!member.is_null())
            members[name] = member;
    // Each failing member is dropped once; failing again for want of it means
    // the record cannot do without it, and its own failure is the one to report.
    std::map<std::string, DecodingError, std::less<>> dropped;
    for (;;) {
        try {
            return Record::fromJson(members);
        } catch (const DecodingError& error) {
            if (auto earlier = dropped.find(error.key()); earlier != dropped.end())
                throw earlier->second;
            if (!members.contains(error.key()))
                throw;
            dropped.emplace(error.key(), error);
            members.erase(error.key());
        }
    }
}

} // namespace

void GarbelloSettings::normalize() {
    borderWidth = clampedOrDefault(borderWidth, kMinimumBorderWidth, kMaximumBorderWidth,
                                   kDefaultBorderWidth);
    patternScale = clampedOrDefault(patternScale, kMinimumPatternScale, kMaximumPatternScale,
                                    kDefaultPatternScale);
}

std::optional<ClothVariant> GarbelloSettings::preferredVariant(Outfit outfit) const {
    auto found = preferredVariants.find(outfit.rawValue());
    if (found == preferredVariants.end())
        return std::nullopt;
    return found->second;
}

void GarbelloSettings::setPreferredVariant(std::optional<ClothVariant> variant, Outfit outfit) {
    if (variant)
        preferredVariants.insert_or_assign(std::string(outfit.rawValue()), *variant);
    else if (auto found = preferredVariants.find(outfit.rawValue());
             found != preferredVariants.end())
        preferredVariants.erase(found);
}

std::optional<ClothVariant> GarbelloSettings::variantOverride(std::string_view bundleID,
                                                              Outfit outfit) const {
    auto application = appVariants.find(bundleID);
    if (application == appVariants.end())
        return std::nullopt;
    auto found = application->second.find(outfit.rawValue());
    if (found == application->second.end())
        return std::nullopt;
    return found->second;
}

void GarbelloSettings::setVariant(std::optional<ClothVariant> variant, std::string_view bundleID,
                                  Outfit outfit) {
    auto application = appVariants.find(bundleID);
    VariantChoices choices =
        application == appVariants.end() ? VariantChoices{} : application->second;
    if (variant)
        choices.insert_or_assign(std::string(outfit.rawValue()), *variant);
    else if (auto found = choices.find(outfit.rawValue()); found != choices.end())
        choices.erase(found);

    if (!choices.empty())
        appVariants.insert_or_assign(std::string(bundleID), std::move(choices));
    else if (application != appVariants.end())
        appVariants.erase(application);
}

ClothVariant GarbelloSettings::variant(const TrackedWindow& window, Outfit outfit) const {
    if (auto chosen = variantOverride(window.bundleID, outfit))
        return *chosen;
    if (auto preferred = preferredVariant(outfit))
        return *preferred;
    return ClothVariant::automatic(window.bundleID, window.id);
}

Json GarbelloSettings::toJson() const {
    Json appChoices = Json::object();
    for (const auto& [bundleID, choices] : appVariants)
        appChoices[bundleID] = variantChoicesJson(choices);
    Json json = {
        {"updaterV1", updaterV1.toJson()},
        {"borderWidth", borderWidth},
        {"patternScale", patternScale},
        {"sameForAllApps", sameForAllApps},
        {"paused", paused},
        {"disabledApps", disabledApps},
        {"askedForLocation", askedForLocation},
        {"onboardingCompleted", onboardingCompleted},
        {"temperatureUnit", temperatureUnit.rawValue()},
        {"preferredVariants", variantChoicesJson(preferredVariants)},
        {"appVariants", std::move(appChoices)},
    };
    if (manualOutfit)
        json["manualOutfit"] = manualOutfit->rawValue();
    if (place)
        json["place"] = place->toJson();
    return json;
}

GarbelloSettings GarbelloSettings::fromJson(const Json& json) {
    json::requireObject(json, "settings");
    GarbelloSettings settings;
    if (const Json* value = presentValue(json, "updaterV1"))
        settings.updaterV1 = decodeNestedRecord<UpdatePreferences>(*value, "updaterV1");
    if (presentValue(json, "manualOutfit"))
        settings.manualOutfit =
            parseRawValue<Outfit>(json, "manualOutfit", Outfit::parse, "an outfit");
    if (presentValue(json, "borderWidth"))
        settings.borderWidth = json::requireNumber(json, "borderWidth");
    if (presentValue(json, "patternScale"))
        settings.patternScale = json::requireNumber(json, "patternScale");
    if (presentValue(json, "sameForAllApps"))
        settings.sameForAllApps = json::requireBool(json, "sameForAllApps");
    if (presentValue(json, "paused"))
        settings.paused = json::requireBool(json, "paused");
    if (const Json* value = presentValue(json, "disabledApps"))
        settings.disabledApps = decodeStringSet(*value, "disabledApps");
    if (const Json* value = presentValue(json, "place"))
        settings.place = decodeNestedRecord<Place>(*value, "place");
    if (presentValue(json, "askedForLocation"))
        settings.askedForLocation = json::requireBool(json, "askedForLocation");
    if (presentValue(json, "onboardingCompleted"))
        settings.onboardingCompleted = json::requireBool(json, "onboardingCompleted");
    if (presentValue(json, "temperatureUnit"))
        settings.temperatureUnit = parseRawValue<TemperatureUnit>(
            json, "temperatureUnit", TemperatureUnit::parse, "a temperature unit");
    if (const Json* value = presentValue(json, "preferredVariants"))
        settings.preferredVariants = decodeVariantChoices(*value, "preferredVariants");
    if (const Json* value = presentValue(json, "appVariants")) {
        if (!value->is_object())
            throw DecodingError::typeMismatch("appVariants", "an object of variant choices");
        for (const auto& [bundleID, choices] : value->items())
            settings.appVariants.emplace(bundleID, decodeVariantChoices(choices, "appVariants"));
    }
    settings.normalize();
    return settings;
}

} // namespace garbello
