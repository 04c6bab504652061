#include "support/time_zone.h"
#include "weather/open_meteo.h"

#include <chrono>
#include <optional>
#include <sstream>
#include <string>

namespace garbello {

namespace {

// The service's ISO-style local time, without seconds or zone.
constexpr const char* kLocalTimeFormat = "%Y-%m-%dT%H:%M";

// Reads wall-clock text in `zone` and insists that writing the instant back
// gives the same text. That rejects non-canonical forms ("2024-6-1T09:00"),
// trailing characters, and wall-clock times a daylight-saving change skips
// (the instant found for those reads back as a different hour). A repeated
// hour is read as its later occurrence.
std::optional<double> unixSecondsOfLocalText(const std::string& text, const date::time_zone& zone) {
    using namespace std::chrono;
    std::istringstream input(text);
    date::local_time<minutes> wallClock{};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
    // GCC cannot see that the date library's parser sets its seconds field
    // before reading it.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    input >> date::parse(kLocalTimeFormat, wallClock);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    if (input.fail())
        return std::nullopt;
    date::sys_seconds instant = zone.to_sys(wallClock, date::choose::latest);
    if (date::format(kLocalTimeFormat, floor<minutes>(zone.to_local(instant))) != text)
        return std::nullopt;
    return static_cast<double>(duration_cast<seconds>(instant.time_since_epoch()).count());
}

} // namespace

ObservationTime ObservationTime::fromJson(const Json& object, std::string_view key) {
    const Json& value = json::requireKey(object, key);
    if (value.is_number())
        return {Unix{value.get<double>()}};
    return {Local{json::requireString(object, key)}};
}

Date ObservationTime::instant(std::string_view timeZone) const {
    std::optional<double> unixSeconds;
    if (const auto* unix = std::get_if<Unix>(&value)) {
        unixSeconds = unix->seconds;
    } else if (const date::time_zone* zone = findTimeZone(timeZone)) {
        unixSeconds = unixSecondsOfLocalText(std::get<Local>(value).text, *zone);
    }
    std::optional<Date> date = unixSeconds ? dateFromUnixSeconds(*unixSeconds) : std::nullopt;
    if (!date)
        throw ResponseError::invalidObservationTime();
    return *date;
}

} // namespace garbello
