#include "support/ordered_work.h"

namespace garbello {

unsigned workerCount() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}

} // namespace garbello
