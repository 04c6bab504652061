#include "update/update_swap.h"

#include "support/log.h"
#include "update/update_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace garbello::UpdateSwap {
namespace {

bool exchange(const std::filesystem::path& first, const std::filesystem::path& second) {
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    log::updater.error("Could not exchange " + first.string() + " and " + second.string() + ": " +
                       std::strerror(errno));
    return false;
}

} // namespace

void perform(const std::filesystem::path& destination, const std::filesystem::path& staged,
             const std::function<void()>& validate) {
    if (!exchange(destination, staged))
        throw UpdateError(UpdateError::Kind::swap);
    try {
        validate();
    } catch (...) {
        if (!exchange(destination, staged))
            throw UpdateError(UpdateError::Kind::rollback);
        throw;
    }
}

} // namespace garbello::UpdateSwap
