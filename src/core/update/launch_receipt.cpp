#include "update/launch_receipt.h"

#include "support/atomic_file.h"
#include "support/error.h"
#include "update/update_version.h"

#include <algorithm>

namespace garbello {

void writeLaunchReceipt(const std::vector<std::string>& arguments) {
    auto flag = std::find(arguments.begin(), arguments.end(), "--update-receipt");
    if (flag == arguments.end() || std::next(flag) == arguments.end())
        return;
    try {
        writeFileAtomically(*std::next(flag), UpdateVersion::current);
    } catch (const Error&) {
    }
}

} // namespace garbello
