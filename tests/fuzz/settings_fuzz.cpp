#include "fuzz_check.h"
#include "settings/garbello_settings.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The settings file is the user's to edit and may be damaged in any way.
// Decoding ends in a record or a DecodingError; an accepted record is already
// normalized and reads back from its written form as the same record.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace garbello;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    GarbelloSettings settings;
    try {
        settings = GarbelloSettings::fromJson(json::parse(text));
    } catch (const DecodingError&) {
        return 0;
    }
    FUZZ_CHECK(settings.borderWidth >= GarbelloSettings::kMinimumBorderWidth &&
               settings.borderWidth <= GarbelloSettings::kMaximumBorderWidth);
    FUZZ_CHECK(settings.patternScale >= GarbelloSettings::kMinimumPatternScale &&
               settings.patternScale <= GarbelloSettings::kMaximumPatternScale);
    GarbelloSettings again = GarbelloSettings::fromJson(json::parse(settings.toJson().dump()));
    // The check date passes through decimal seconds and may move by rounding.
    again.updaterV1.lastChecked = settings.updaterV1.lastChecked;
    FUZZ_CHECK(again == settings);
    return 0;
}
