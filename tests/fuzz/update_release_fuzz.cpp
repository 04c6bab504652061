#include "fuzz_check.h"
#include "update/update_error.h"
#include "update/update_release.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// The release manifest comes from the network. Every problem with it must be
// the one "invalid feed" failure, and an accepted release must survive the
// install plan's JSON form unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view manifest(reinterpret_cast<const char*>(data), size);
    UpdateRelease release;
    try {
        release = UpdateRelease::parse(manifest);
    } catch (const UpdateError& error) {
        FUZZ_CHECK(error.kind() == UpdateError::Kind::invalidFeed);
        return 0;
    }
    FUZZ_CHECK(UpdateRelease::fromJson(release.toJson()) == release);
    try {
        release.checkCompatibility("2.36");
    } catch (const UpdateError&) {
    }
    return 0;
}
