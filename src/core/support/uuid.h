#pragma once

#include <string>

namespace garbello {

// A new random (version 4) UUID in its usual 8-4-4-4-12 form with upper-case
// hexadecimal digits, for names that must not collide with anything on disk.
std::string newUuidString();

} // namespace garbello
