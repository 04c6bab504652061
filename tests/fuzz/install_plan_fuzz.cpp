#include "fuzz_check.h"
#include "update/update_error.h"
#include "update/update_install_plan.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// The install helper reads its plan from a file in its workspace, which it
// must not trust blindly. Decoding ends in a plan or a documented error; an
// accepted plan names only absolute paths and writes back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    UpdateInstallPlan plan;
    try {
        plan = UpdateInstallPlan::fromJson(json::parse(text));
    } catch (const DecodingError&) {
        return 0;
    } catch (const UpdateError& error) {
        FUZZ_CHECK(error.kind() == UpdateError::Kind::invalidFeed);
        return 0;
    }
    for (const auto* path : {&plan.destination, &plan.staged, &plan.receipt, &plan.workspace})
        FUZZ_CHECK(path->is_absolute());
    FUZZ_CHECK(UpdateInstallPlan::fromJson(plan.toJson()) == plan);
    return 0;
}
