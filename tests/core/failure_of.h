#pragma once

#include <functional>
#include <optional>

namespace garbello::test {

// The kind of `Failure` the action throws; no value when it succeeds.
template <class Failure>
std::optional<typename Failure::Kind> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace garbello::test
