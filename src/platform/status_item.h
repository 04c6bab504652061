#pragma once

#include <functional>
#include <string>
#include <vector>

namespace garbello::platform {

// One row of the status menu.
struct MenuRow {
    // Empty for a separator.
    std::string title;
    // The key that triggers the row with Ctrl ("," or "q"); empty for none.
    std::string shortcut;
    // None for a status line, which is shown but cannot be chosen.
    std::function<void()> action;

    bool separator() const { return title.empty(); }
};

// The application's icon in the panel's tray, with its menu. Main thread.
class StatusItem {
public:
    virtual ~StatusItem() = default;

    virtual void setToolTip(const std::string& text) = 0;
    // Replaces every row of the menu.
    virtual void setMenu(std::vector<MenuRow> rows) = 0;
    // Calls `opening` just before the menu opens, so that it can be rebuilt.
    virtual void watchMenuOpening(std::function<void()> opening) = 0;
};

// A status item that keeps what it was given, for tests.
class FakeStatusItem final : public StatusItem {
public:
    void setToolTip(const std::string& text) override { toolTip = text; }
    void setMenu(std::vector<MenuRow> rows) override { menu = std::move(rows); }
    void watchMenuOpening(std::function<void()> opening) override { opening_ = std::move(opening); }

    // Opens the menu and chooses the row titled `title`; false when no row
    // of that title can be chosen.
    bool choose(const std::string& title) {
        open();
        for (const auto& row : menu)
            if (row.title == title && row.action) {
                row.action();
                return true;
            }
        return false;
    }
    void open() const {
        if (opening_)
            opening_();
    }

    std::string toolTip;
    std::vector<MenuRow> menu;

private:
    std::function<void()> opening_;
};

} // namespace garbello::platform
