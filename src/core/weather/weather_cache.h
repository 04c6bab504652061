#pragma once

#include "model/place.h"
#include "model/weather_snapshot.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace garbello {

// The last accepted forecast and when it was accepted.
struct WeatherCache {
    WeatherSnapshot snapshot;
    // Local clock time of acceptance; not the service's observation time,
    // which is snapshot.observedAt.
    Date fetchedAt{};

    bool operator==(const WeatherCache&) const = default;

    Json toJson() const;
    // Strict: both keys required; the snapshot's own checks apply.
    static WeatherCache fromJson(const Json& json);
};

// What the weather cache file holds: the place a forecast was requested for
// and the forecast itself.
struct SavedWeather {
    Place place;
    WeatherCache cache;

    bool operator==(const SavedWeather&) const = default;

    Json toJson() const;
    static SavedWeather fromJson(const Json& json);
};

// "weather.json" in the directory of the settings file.
std::filesystem::path weatherCachePathBeside(const std::filesystem::path& settingsFile);

// The record that `bytes` encode, or nothing when they fail to decode in any
// way. Never throws.
std::optional<SavedWeather> decodeSavedWeather(std::string_view bytes) noexcept;

// The record in the cache file, or nothing when the file is missing,
// unreadable, oversized or fails to decode in any way. Never throws and logs
// nothing: a lost cache only means waiting for the next forecast, and the
// file is left for the next accepted forecast to overwrite.
std::optional<SavedWeather> readSavedWeather(const std::filesystem::path& file) noexcept;

// Replaces the cache file atomically (missing directories are created), so a
// crash leaves the old record or the new one. Throws an Error with the
// system's description on failure; the caller decides how to report it.
void writeSavedWeather(const std::filesystem::path& file, const SavedWeather& record);

} // namespace garbello
