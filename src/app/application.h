#pragma once

#include <string>
#include <vector>

namespace garbello {

// Runs the tray application on the Qt event loop until it is quit (from the
// menu, by SIGTERM or SIGINT, or by an update taking over) and returns the
// exit status. Without an X display it says so in one line on standard
// error and returns 1; a second start while one runs asks that one to open
// its settings window and returns 0.
int runApplication(const std::vector<std::string>& arguments);

} // namespace garbello
