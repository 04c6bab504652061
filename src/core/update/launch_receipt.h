#pragma once

#include <string>
#include <vector>

namespace garbello {

// The new version's half of the update hand-shake: when `arguments` hold
// "--update-receipt" followed by a path, the running version is written
// there atomically. Nothing happens without a path; a failed write is
// ignored, as the helper then rolls back on its own.
void writeLaunchReceipt(const std::vector<std::string>& arguments);

} // namespace garbello
