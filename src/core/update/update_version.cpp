#include "update/update_version.h"

#include "update/build_info.h"

#include <algorithm>
#include <charconv>

namespace garbello {
namespace {
constexpr std::size_t kMaximumComponents = 4;

std::optional<std::int64_t> parseComponent(std::string_view piece) {
    if (piece.empty() ||
        !std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (error != std::errc() || end != piece.data() + piece.size())
        return std::nullopt;
    return value;
}
} // namespace

const std::string_view UpdateVersion::current = build_info::version;
const std::int64_t UpdateVersion::build = build_info::buildNumber;

std::optional<std::vector<std::int64_t>> UpdateVersion::components(std::string_view text) {
    std::vector<std::int64_t> values;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = text.find('.', start);
        std::string_view piece = text.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        auto value = parseComponent(piece);
        if (!value || values.size() == kMaximumComponents)
            return std::nullopt;
        values.push_back(*value);
        if (dot == std::string_view::npos)
            return values;
        start = dot + 1;
    }
}

bool UpdateVersion::isNewer(std::string_view candidate, std::string_view current) {
    auto candidateParts = components(candidate);
    auto currentParts = components(current);
    if (!candidateParts || !currentParts)
        return false;
    std::size_t length = std::max(candidateParts->size(), currentParts->size());
    for (std::size_t i = 0; i < length; ++i) {
        std::int64_t a = i < candidateParts->size() ? (*candidateParts)[i] : 0;
        std::int64_t b = i < currentParts->size() ? (*currentParts)[i] : 0;
        if (a != b)
            return a > b;
    }
    return false;
}

} // namespace garbello
