#include "support/json_decode.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace garbello {

DecodingError DecodingError::keyNotFound(std::string_view key) {
    return DecodingError(Kind::keyNotFound, std::string(key),
                         "The data couldn’t be read because it is missing: \"" + std::string(key) +
                             "\".");
}

DecodingError DecodingError::typeMismatch(std::string_view key, std::string_view expected) {
    return DecodingError(Kind::typeMismatch, std::string(key),
                         "The data couldn’t be read because it isn’t in the correct format: \"" +
                             std::string(key) + "\" must be " + std::string(expected) + ".");
}

DecodingError DecodingError::dataCorrupted(std::string_view detail) {
    return DecodingError(Kind::dataCorrupted, "",
                         "The data couldn’t be read because it isn’t in the correct format: " +
                             std::string(detail));
}

namespace json {
namespace {

// Platform JSON readers refuse documents nested deeper than this. Refusing
// them before parsing also bounds the memory a hostile line can take (each
// level costs a heap node) and the depth of any recursive walk over a value.
constexpr std::size_t kMaximumNesting = 512;

// Counts brackets outside strings; malformed text is left to the parser.
bool nestsDeeperThan(std::string_view text, std::size_t limit) {
    // Every level needs its own opening bracket.
    if (text.size() <= limit)
        return false;
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

} // namespace

Json parse(std::string_view text) {
    if (nestsDeeperThan(text, kMaximumNesting))
        throw DecodingError::dataCorrupted("arrays and objects are nested more than " +
                                           std::to_string(kMaximumNesting) + " levels deep");
    Json value;
    try {
        value = Json::parse(text.begin(), text.end());
    } catch (const Json::exception& error) {
        throw DecodingError::dataCorrupted(error.what());
    }
    // The library's reader takes a NUL byte for the end of the text, so
    // anything after one would go unread. Inside a string or before the value
    // the reader has refused it already; here it can only follow the value.
    if (auto nul = text.find('\0'); nul != std::string_view::npos) {
        std::string_view before = text.substr(0, nul);
        auto lineStart = before.rfind('\n');
        std::size_t column = lineStart == std::string_view::npos ? nul + 1 : nul - lineStart;
        auto line = 1 + std::count(before.begin(), before.end(), '\n');
        throw DecodingError::dataCorrupted(
            "parse error at line " + std::to_string(line) + ", column " + std::to_string(column) +
            ": syntax error while parsing value - unexpected NUL byte; expected end of input");
    }
    if (!value.is_object() && !value.is_array())
        throw DecodingError::dataCorrupted("the top level is not an object or an array");
    return value;
}

const Json& requireObject(const Json& value, std::string_view what) {
    if (!value.is_object())
        throw DecodingError::typeMismatch(what, "an object");
    return value;
}

const Json& requireKey(const Json& object, std::string_view key) {
    auto found = object.find(key);
    if (found == object.end())
        throw DecodingError::keyNotFound(key);
    return *found;
}

bool isInteger(const Json& value) {
    return integerValue(value).has_value();
}

std::optional<std::int64_t> integerValue(const Json& value) {
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    return std::nullopt;
}

bool requireBool(const Json& object, std::string_view key) {
    const Json& value = requireKey(object, key);
    if (!value.is_boolean())
        throw DecodingError::typeMismatch(key, "a boolean");
    return value.get<bool>();
}

double requireNumber(const Json& object, std::string_view key) {
    const Json& value = requireKey(object, key);
    if (!value.is_number())
        throw DecodingError::typeMismatch(key, "a number");
    return value.get<double>();
}

std::int64_t requireInteger(const Json& object, std::string_view key) {
    auto number = integerValue(requireKey(object, key));
    if (!number)
        throw DecodingError::typeMismatch(key, "an integer");
    return *number;
}

std::string requireString(const Json& object, std::string_view key) {
    const Json& value = requireKey(object, key);
    if (!value.is_string())
        throw DecodingError::typeMismatch(key, "a string");
    return value.get<std::string>();
}

std::optional<bool> optionalBool(const Json& object, std::string_view key) {
    if (!object.contains(key))
        return std::nullopt;
    return requireBool(object, key);
}

std::optional<double> optionalNumber(const Json& object, std::string_view key) {
    if (!object.contains(key))
        return std::nullopt;
    return requireNumber(object, key);
}

std::optional<std::int64_t> optionalInteger(const Json& object, std::string_view key) {
    if (!object.contains(key))
        return std::nullopt;
    return requireInteger(object, key);
}

std::optional<std::string> optionalString(const Json& object, std::string_view key) {
    if (!object.contains(key))
        return std::nullopt;
    return requireString(object, key);
}

} // namespace json

namespace {
// 2001-01-01 00:00:00 UTC in Unix seconds.
constexpr std::int64_t kReferenceDateUnixSeconds = 978307200;
// system_clock counts nanoseconds in 64 bits: about ±292 years around 1970.
// Kept a little inside that so converting never overflows.
constexpr double kRepresentableUnixSeconds = 9.0e9;
} // namespace

double secondsSinceReferenceDate(Date date) {
    // Whole seconds are counted in integers and the fraction added last, so
    // the result is as exact as a double allows and reads back to the date.
    using namespace std::chrono;
    auto sinceUnix = date.time_since_epoch();
    auto whole = floor<seconds>(sinceUnix);
    double fraction = duration<double>(sinceUnix - whole).count();
    return static_cast<double>(whole.count() - kReferenceDateUnixSeconds) + fraction;
}

namespace {
// Whole seconds and the fraction are converted apart: scaling the whole value
// to nanoseconds in floating point would lose the low digits of today's dates.
Date dateFromFiniteUnixSeconds(double seconds) {
    using namespace std::chrono;
    double whole = std::floor(seconds);
    auto fraction = round<system_clock::duration>(duration<double>(seconds - whole));
    return Date(duration_cast<system_clock::duration>(
                    std::chrono::seconds(static_cast<std::int64_t>(whole))) +
                fraction);
}
} // namespace

Date dateFromReferenceSeconds(double seconds) {
    return dateFromFiniteUnixSeconds(seconds + static_cast<double>(kReferenceDateUnixSeconds));
}

std::optional<Date> dateFromUnixSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kRepresentableUnixSeconds)
        return std::nullopt;
    // Read through the program's own form, so that a date from elsewhere (a
    // forecast's observation time) is written and read back unchanged.
    return dateFromReferenceSeconds(seconds - static_cast<double>(kReferenceDateUnixSeconds));
}

Date requireDate(const Json& object, std::string_view key) {
    double seconds = json::requireNumber(object, key);
    if (!dateFromUnixSeconds(seconds + static_cast<double>(kReferenceDateUnixSeconds)))
        throw DecodingError::typeMismatch(key, "a date in seconds since 2001-01-01");
    return dateFromReferenceSeconds(seconds);
}

std::optional<Date> optionalDate(const Json& object, std::string_view key) {
    if (!object.contains(key))
        return std::nullopt;
    return requireDate(object, key);
}

} // namespace garbello
