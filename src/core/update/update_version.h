#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace garbello {

// The running version and the comparison of dotted version texts.
struct UpdateVersion {
    static const std::string_view current;
    static const std::int64_t build;

    // One to four dot-separated pieces of ASCII digits, each fitting a signed
    // 64-bit integer; anything else (empty pieces, signs, spaces, suffixes)
    // gives no value.
    static std::optional<std::vector<std::int64_t>> components(std::string_view text);

    // Compares position by position, missing positions counting as 0; false
    // when either text is not a version.
    static bool isNewer(std::string_view candidate, std::string_view current);
};

} // namespace garbello
