#include "platform/x_resources.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace garbello::platform {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

double xftScale(std::string_view resourceManager) {
    double dpi = 0;
    while (!resourceManager.empty()) {
        const std::size_t end = std::min(resourceManager.find('\n'), resourceManager.size());
        const std::string_view line = resourceManager.substr(0, end);
        resourceManager.remove_prefix(std::min(end + 1, resourceManager.size()));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || trimmed(line.substr(0, colon)) != "Xft.dpi")
            continue;
        // Later lines win, as in the resource database.
        const std::string_view value = trimmed(line.substr(colon + 1));
        double parsed = 0;
        const auto [rest, error] =
            std::from_chars(value.data(), value.data() + value.size(), parsed);
        dpi = error == std::errc() && rest == value.data() + value.size() ? parsed : 0;
    }
    if (!std::isfinite(dpi) || dpi <= 0)
        return 1;
    return std::clamp(dpi / 96, 0.5, 4.0);
}

} // namespace garbello::platform
