#include "update/update_release.h"

#include "net/url.h"
#include "update/update_error.h"
#include "update/update_version.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <gnu/libc-version.h>

namespace garbello {
namespace {

constexpr std::size_t kManifestByteLimit = 65536;
constexpr std::int64_t kSmallestImage = 1;
constexpr std::int64_t kLargestImage = std::int64_t{1} << 30;
constexpr std::size_t kDigestLength = 64;
constexpr std::size_t kLongestReleaseNotes = 2000;

bool isLowerHexDigest(const std::string& text) {
    return text.size() == kDigestLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool isDownloadLocation(const std::string& text) {
    auto parts = parseUrl(text);
    return parts && parts->scheme == "https" && !parts->host.empty() && !parts->hasUser &&
           !parts->hasPassword;
}

// Characters as a reader counts them: Unicode scalar values, not bytes.
std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// An internet date-time to the second with a zone designator:
// "2026-11-07T23:00:00Z" or "2026-11-07T23:00:00+01:00".
bool isInternetDateTime(std::string_view text) {
    auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    auto hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || text[4] != '-' ||
        text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    std::chrono::year_month_day date{std::chrono::year(*year),
                                     std::chrono::month(static_cast<unsigned>(*month)),
                                     std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59)
        return false;
    std::string_view zone = text.substr(19);
    if (zone == "Z")
        return true;
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':')
        return false;
    auto zoneHours = digits(zone, 1, 2), zoneMinutes = digits(zone, 4, 2);
    return zoneHours && zoneMinutes && *zoneHours <= 23 && *zoneMinutes <= 59;
}

void require(bool condition) {
    if (!condition)
        throw UpdateError(UpdateError::Kind::invalidFeed);
}

UpdateRelease decode(const Json& object) {
    json::requireObject(object, "release");
    UpdateRelease release;
    release.version = json::requireString(object, "version");
    release.build = json::requireInteger(object, "build");
    release.minimumMacOS = json::requireString(object, "minimum_macos");
    release.dmgURL = json::requireString(object, "dmg_url");
    release.byteSize = json::requireInteger(object, "byte_size");
    release.sha256 = json::requireString(object, "sha256");
    release.releaseNotes = json::requireString(object, "release_notes");
    release.published = json::requireString(object, "published");
    release.minSupportedUpdater = json::optionalInteger(object, "min_supported_updater");
    return release;
}

} // namespace

UpdateRelease UpdateRelease::parse(std::string_view data) {
    require(data.size() <= kManifestByteLimit);
    try {
        return fromJson(json::parse(data));
    } catch (const DecodingError&) {
        throw UpdateError(UpdateError::Kind::invalidFeed);
    }
}

UpdateRelease UpdateRelease::fromJson(const Json& object) {
    UpdateRelease release;
    try {
        release = decode(object);
    } catch (const DecodingError&) {
        throw UpdateError(UpdateError::Kind::invalidFeed);
    }
    require(UpdateVersion::components(release.version).has_value());
    require(release.build >= 1);
    require(UpdateVersion::components(release.minimumMacOS).has_value());
    require(isDownloadLocation(release.dmgURL));
    require(release.byteSize >= kSmallestImage && release.byteSize <= kLargestImage);
    require(isLowerHexDigest(release.sha256));
    std::size_t notes = characterCount(release.releaseNotes);
    require(notes >= 1 && notes <= kLongestReleaseNotes);
    require(isInternetDateTime(release.published));
    require(!release.minSupportedUpdater || *release.minSupportedUpdater >= 1);
    return release;
}

Json UpdateRelease::toJson() const {
    Json object = {
        {"version", version},
        {"build", build},
        {"minimum_macos", minimumMacOS},
        {"dmg_url", dmgURL},
        {"byte_size", byteSize},
        {"sha256", sha256},
        {"release_notes", releaseNotes},
        {"published", published},
    };
    if (minSupportedUpdater)
        object["min_supported_updater"] = *minSupportedUpdater;
    return object;
}

void UpdateRelease::checkCompatibility() const {
    checkCompatibility(runningSystemVersion());
}

void UpdateRelease::checkCompatibility(std::string_view runningSystem) const {
    if (minSupportedUpdater && *minSupportedUpdater > kUpdaterGeneration)
        throw UpdateError(UpdateError::Kind::manualDownload);
    auto required = UpdateVersion::components(minimumMacOS);
    if (!required)
        throw UpdateError(UpdateError::Kind::invalidFeed);
    auto running = UpdateVersion::components(runningSystem).value_or(std::vector<std::int64_t>{});
    auto firstThree = [](const std::vector<std::int64_t>& parts) {
        std::array<std::int64_t, 3> values{};
        std::copy_n(parts.begin(), std::min<std::size_t>(parts.size(), 3), values.begin());
        return values;
    };
    if (firstThree(running) < firstThree(*required))
        throw UpdateError::macOSRequired(minimumMacOS);
}

std::string runningSystemVersion() {
    return gnu_get_libc_version();
}

} // namespace garbello
