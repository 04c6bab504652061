#pragma once

#include "support/json_decode.h"

#include <string>

namespace garbello {

// A weather location the user chose: a searched city or the current location.
struct Place {
    std::string name;
    double latitude = 0;
    double longitude = 0;
    // IANA zone identifier, or "auto" when no zone is known.
    std::string timezone;

    bool operator==(const Place&) const = default;

    Json toJson() const;
    // Strict: every key required with its exact type.
    static Place fromJson(const Json& json);
};

} // namespace garbello
