#include "support/time_zone.h"

#include <exception>

namespace garbello {

const date::time_zone* findTimeZone(std::string_view identifier) {
    try {
        return date::locate_zone(identifier);
    } catch (const std::exception&) {
        // Unknown names and a missing database both mean "no such zone".
        return nullptr;
    }
}

} // namespace garbello
