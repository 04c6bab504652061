#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

// Two lower-case hexadecimal digits per byte, no separators.
std::string toHex(std::string_view bytes);

// The bytes of an even number of hexadecimal digits of either case; no value
// for anything else.
std::optional<std::vector<unsigned char>> fromHex(std::string_view text);

} // namespace garbello
