#pragma once

#include <filesystem>
#include <functional>

namespace garbello {

namespace UpdateSwap {

// Exchanges `destination` and `staged` atomically, then runs `validate` on
// the result. When validation throws, the two are exchanged back and the
// validation's error is rethrown. Throws UpdateError::swap when the first
// exchange fails (nothing changed) and UpdateError::rollback when the
// exchange back fails (both bundles remain on disk).
void perform(const std::filesystem::path& destination, const std::filesystem::path& staged,
             const std::function<void()>& validate);

} // namespace UpdateSwap
} // namespace garbello
