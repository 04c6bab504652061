#pragma once

#include "platform/overlay_host.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace garbello::platform {

// Application icons as their windows publish them (_NET_WM_ICON, the
// largest of the sizes offered up to kLargestUsedSide), else as `fallback`
// finds them by application id (the icon theme entry of the application's
// desktop entry). Asked on the main thread with one round trip on a
// connection of its own; a window without an icon is not asked again.
class X11ApplicationIcons final : public ApplicationIcons {
public:
    using Fallback = std::function<std::optional<Image>(const std::string& applicationID)>;

    // Larger icons say no more about an application's colour, and would only
    // cost memory and time.
    static constexpr int kLargestUsedSide = 256;

    // nullptr when `display` (empty for $DISPLAY) cannot be reached.
    static std::unique_ptr<X11ApplicationIcons> open(const std::string& display, Fallback fallback);
    ~X11ApplicationIcons() override;
    X11ApplicationIcons(const X11ApplicationIcons&) = delete;
    X11ApplicationIcons& operator=(const X11ApplicationIcons&) = delete;

    std::optional<Image> icon(std::int32_t processID, const std::string& applicationID,
                              std::uint32_t windowID) override;

    struct Server;

private:
    X11ApplicationIcons(std::unique_ptr<Server> server, Fallback fallback);
    std::optional<Image> windowIcon(std::uint32_t windowID);

    std::unique_ptr<Server> server_;
    Fallback fallback_;
    std::set<std::uint32_t> windowsWithout_;
    std::set<std::string> applicationsWithout_;
};

// The icon of `_NET_WM_ICON` data (width, height, then that many
// non-premultiplied ARGB pixels, repeated per size) with the largest side up
// to `largestSide`, premultiplied; none when no size is usable. Malformed
// data is never read past its end.
std::optional<Image> chooseWindowIcon(const std::uint32_t* data, std::size_t count,
                                      int largestSide);

} // namespace garbello::platform
