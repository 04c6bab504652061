#pragma once

namespace garbello::platform {

// Whether the application starts when the user logs in. Used on the main
// thread; the desktop never asks the user to approve it.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual bool enabled() const = 0;
    // Throws Error with the system's description when the change cannot be made.
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace garbello::platform
