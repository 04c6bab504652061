#include "sample_render.h"

#include "headless_error.h"

namespace garbello {

Json renderSample(const std::string& outfitName, const std::string& output, ClothVariant) {
    auto outfit = Outfit::parse(outfitName);
    if (!outfit)
        throw HeadlessError("Unknown outfit: " + outfitName);
    if (!output.starts_with('/'))
        throw HeadlessError("Output must be an absolute path");
    throw notInThisBuild("The cloth renderer");
}

} // namespace garbello
