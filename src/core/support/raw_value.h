#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace garbello {

// The case of a closed enumeration whose raw value is exactly `rawValue`
// (letter case and spaces included), or nothing.
template <typename Enumeration, std::size_t Count>
std::optional<Enumeration> caseWithRawValue(const std::array<Enumeration, Count>& cases,
                                            std::string_view rawValue) {
    for (Enumeration candidate : cases)
        if (candidate.rawValue() == rawValue)
            return candidate;
    return std::nullopt;
}

} // namespace garbello
