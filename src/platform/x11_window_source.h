#pragma once

#include "platform/desktop_entries.h"
#include "platform/screens.h"
#include "platform/window_source.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace garbello::platform {

class X11StructureWatch;

// The window list and the monitors of an X server, read over a connection of
// its own. See docs/desktop.md for where each field comes from.
class X11WindowSource final : public WindowSource, public Screens {
public:
    // Connects to `display` (":1"; empty for $DISPLAY). Desktop entries for
    // application ids are looked for in `entryDirectories`. Returns nullptr
    // when no connection can be made.
    static std::unique_ptr<X11WindowSource>
    open(const std::string& display,
         std::vector<std::filesystem::path> entryDirectories = desktopEntryDirectories());

    ~X11WindowSource() override;
    X11WindowSource(const X11WindowSource&) = delete;
    X11WindowSource& operator=(const X11WindowSource&) = delete;

    WindowList read() override;
    bool connected() const override;
    void watchStructure(std::function<void(std::vector<std::uint32_t>)> moved) override;
    std::vector<Rect> frames() const override;

private:
    struct Server;

    X11WindowSource(std::unique_ptr<Server> server, std::string display,
                    std::vector<std::filesystem::path> entryDirectories);
    const DesktopEntries& desktopEntries();
    void lose();

    std::unique_ptr<Server> server_;
    const std::string display_;
    const std::vector<std::filesystem::path> entryDirectories_;
    std::optional<DesktopEntries> desktopEntries_;
    std::atomic<bool> connected_{true};

    mutable std::mutex framesMutex_;
    std::vector<Rect> frames_;

    std::mutex watchMutex_;
    std::unique_ptr<X11StructureWatch> watch_;
};

} // namespace garbello::platform
