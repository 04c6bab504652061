#include "platform/x11_application_icons.h"

#include "platform/x11_handles.h"

#include <cstring>

namespace garbello::platform {

using x11::take;

namespace {

// Enough for a 256 × 256 icon and a few smaller ones; a property longer than
// this is read only this far.
constexpr std::uint32_t kLongestIconProperty = 128 * 1024; // in 32-bit words

// Clears the negative caches now and then, for the ids of closed windows.
constexpr std::size_t kForgetAfter = 4096;

std::uint32_t premultiplied(std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    const auto channel = [&](int shift) {
        return ((argb >> shift & 0xff) * alpha + 127) / 255 << shift;
    };
    return alpha << 24 | channel(16) | channel(8) | channel(0);
}

} // namespace

std::optional<Image> chooseWindowIcon(const std::uint32_t* data, std::size_t count,
                                      int largestSide) {
    const std::uint32_t* best = nullptr;
    std::uint32_t bestSide = 0;
    for (std::size_t at = 0; at + 2 <= count;) {
        const std::uint32_t width = data[at], height = data[at + 1];
        if (width == 0 || height == 0 || width > 0x7fff || height > 0x7fff)
            break;
        const std::size_t pixels = std::size_t(width) * height;
        if (pixels > count - at - 2)
            break;
        const std::uint32_t side = std::max(width, height);
        if (side <= std::uint32_t(largestSide) && side > bestSide) {
            best = data + at;
            bestSide = side;
        }
        at += 2 + pixels;
    }
    if (!best)
        return std::nullopt;
    Image image{int(best[0]), int(best[1]), int(best[0]) * 4, {}};
    image.pixels.resize(std::size_t(image.stride) * image.height);
    for (std::size_t i = 0; i < std::size_t(image.width) * image.height; ++i) {
        const std::uint32_t pixel = premultiplied(best[2 + i]);
        std::memcpy(image.pixels.data() + 4 * i, &pixel, 4);
    }
    return image;
}

struct X11ApplicationIcons::Server {
    x11::Connection connection;
    xcb_atom_t iconAtom = XCB_NONE;
};

std::unique_ptr<X11ApplicationIcons> X11ApplicationIcons::open(const std::string& display,
                                                               Fallback fallback) {
    x11::Connection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
        return nullptr;
    auto server = std::make_unique<Server>();
    server->iconAtom = x11::internAtom(c, "_NET_WM_ICON");
    server->connection = std::move(connection);
    return std::unique_ptr<X11ApplicationIcons>(
        new X11ApplicationIcons(std::move(server), std::move(fallback)));
}

X11ApplicationIcons::X11ApplicationIcons(std::unique_ptr<Server> server, Fallback fallback)
    : server_(std::move(server)), fallback_(std::move(fallback)) {}

X11ApplicationIcons::~X11ApplicationIcons() = default;

std::optional<Image> X11ApplicationIcons::icon(std::int32_t, const std::string& applicationID,
                                               std::uint32_t windowID) {
    if (windowsWithout_.size() > kForgetAfter)
        windowsWithout_.clear();
    if (windowID && !windowsWithout_.contains(windowID)) {
        if (auto found = windowIcon(windowID))
            return found;
        windowsWithout_.insert(windowID);
    }
    if (!fallback_ || applicationID.empty() || applicationsWithout_.contains(applicationID))
        return std::nullopt;
    auto found = fallback_(applicationID);
    if (!found)
        applicationsWithout_.insert(applicationID);
    return found;
}

std::optional<Image> X11ApplicationIcons::windowIcon(std::uint32_t windowID) {
    xcb_connection_t* c = server_->connection.get();
    if (!server_->iconAtom || xcb_connection_has_error(c))
        return std::nullopt;
    auto reply = take(c, xcb_get_property_reply,
                      xcb_get_property(c, 0, windowID, server_->iconAtom, XCB_ATOM_CARDINAL, 0,
                                       kLongestIconProperty));
    if (!reply || reply.get()->format != 32)
        return std::nullopt;
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return chooseWindowIcon(data, std::size_t(xcb_get_property_value_length(reply.get())) / 4,
                            kLargestUsedSide);
}

} // namespace garbello::platform
