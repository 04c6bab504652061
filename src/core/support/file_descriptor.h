#pragma once

#include "support/unique_handle.h"

#include <unistd.h>

namespace garbello {

// An open file descriptor, closed when its owner goes. Where the result of
// close() matters (a write is only complete once close succeeded), take the
// descriptor back with release() and close it by hand.
using FileDescriptor = UniqueHandle<int, ::close, -1>;

} // namespace garbello
