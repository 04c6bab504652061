#include "weather/weather_cache.h"

#include "support/atomic_file.h"

#include <system_error>

namespace garbello {

namespace {

constexpr const char* kCacheFileName = "weather.json";
// A genuine record is well under a kilobyte; anything this large is not one,
// and is not worth reading into memory.
constexpr std::uintmax_t kMaximumCacheFileBytes = 1 << 20;

} // namespace

Json WeatherCache::toJson() const {
    return {{"snapshot", snapshot.toJson()}, {"fetchedAt", secondsSinceReferenceDate(fetchedAt)}};
}

WeatherCache WeatherCache::fromJson(const Json& json) {
    json::requireObject(json, "cache");
    return {WeatherSnapshot::fromJson(json::requireKey(json, "snapshot")),
            requireDate(json, "fetchedAt")};
}

Json SavedWeather::toJson() const {
    return {{"place", place.toJson()}, {"cache", cache.toJson()}};
}

SavedWeather SavedWeather::fromJson(const Json& json) {
    json::requireObject(json, "saved weather");
    return {Place::fromJson(json::requireKey(json, "place")),
            WeatherCache::fromJson(json::requireKey(json, "cache"))};
}

std::filesystem::path weatherCachePathBeside(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / kCacheFileName;
}

std::optional<SavedWeather> decodeSavedWeather(std::string_view bytes) noexcept {
    try {
        return SavedWeather::fromJson(json::parse(bytes));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<SavedWeather> readSavedWeather(const std::filesystem::path& file) noexcept {
    try {
        std::error_code error;
        std::uintmax_t size = std::filesystem::file_size(file, error);
        if (error || size > kMaximumCacheFileBytes)
            return std::nullopt;
        return decodeSavedWeather(readFile(file));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void writeSavedWeather(const std::filesystem::path& file, const SavedWeather& record) {
    std::string bytes;
    try {
        bytes = record.toJson().dump();
    } catch (const Json::exception& error) {
        throw Error(std::string("The weather cache could not be encoded: ") + error.what());
    }
    writeFileAtomically(file, bytes);
}

} // namespace garbello
