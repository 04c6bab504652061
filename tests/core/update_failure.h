#pragma once

#include "update/update_error.h"

#include <functional>
#include <optional>

namespace garbello::test {

// The kind of UpdateError the action throws; no value when it succeeds.
inline std::optional<UpdateError::Kind> updateFailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const UpdateError& error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace garbello::test
