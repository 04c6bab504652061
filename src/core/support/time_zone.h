#pragma once

#include <date/tz.h>

#include <string_view>

namespace garbello {

// The zone the system's time-zone database knows by `identifier` (IANA form),
// or nullptr when it names none. Safe on any thread.
const date::time_zone* findTimeZone(std::string_view identifier);

} // namespace garbello
