#pragma once

#include "support/error.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace garbello {

using Json = nlohmann::json;

// A record could not be decoded from JSON: malformed text, a missing key, or a
// value of the wrong type. Strict decoders fail the whole record with it.
class DecodingError : public Error {
public:
    enum class Kind { dataCorrupted, keyNotFound, typeMismatch };

    DecodingError(Kind kind, std::string key, std::string description)
        : Error(std::move(description)), kind_(kind), key_(std::move(key)) {}

    Kind kind() const { return kind_; }
    // The key whose value was missing or mistyped; empty for malformed text.
    const std::string& key() const { return key_; }

    static DecodingError keyNotFound(std::string_view key);
    static DecodingError typeMismatch(std::string_view key, std::string_view expected);
    static DecodingError dataCorrupted(std::string_view detail);

private:
    Kind kind_;
    std::string key_;
};

namespace json {

// Parses UTF-8 JSON text whose top level must be an object or an array and
// that nests at most 512 levels deep.
// Throws DecodingError::dataCorrupted with the parser's description.
Json parse(std::string_view text);

// The top level of a record must be an object.
const Json& requireObject(const Json& value, std::string_view what);

// Strict readers: the key must be present (null counts as a wrong type) and
// hold exactly the expected JSON type. Integers accept only integer literals
// that fit the result; numbers accept integer and float literals.
const Json& requireKey(const Json& object, std::string_view key);
bool requireBool(const Json& object, std::string_view key);
double requireNumber(const Json& object, std::string_view key);
std::int64_t requireInteger(const Json& object, std::string_view key);
std::string requireString(const Json& object, std::string_view key);

// Optional forms: an absent key gives no value; a present key must hold the
// exact type (null included, as strict records never write null).
std::optional<bool> optionalBool(const Json& object, std::string_view key);
std::optional<double> optionalNumber(const Json& object, std::string_view key);
std::optional<std::int64_t> optionalInteger(const Json& object, std::string_view key);
std::optional<std::string> optionalString(const Json& object, std::string_view key);

// Value-level checks, for callers that already hold the value.
bool isInteger(const Json& value);
std::optional<std::int64_t> integerValue(const Json& value);

} // namespace json

// Dates in the program's own JSON: seconds (fractions allowed) since
// 2001-01-01 00:00:00 UTC.
using Date = std::chrono::system_clock::time_point;

double secondsSinceReferenceDate(Date date);
Date dateFromReferenceSeconds(double seconds);
// Seconds since 1970-01-01 00:00:00 UTC as a date; no value when the number is
// not finite or lies outside the range a Date can hold (about 1678 to 2261).
std::optional<Date> dateFromUnixSeconds(double seconds);
Date requireDate(const Json& object, std::string_view key);
std::optional<Date> optionalDate(const Json& object, std::string_view key);

} // namespace garbello
