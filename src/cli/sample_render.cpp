#include "sample_render.h"

#include "headless_error.h"
#include "render/pattern_renderer.h"
#include "support/atomic_file.h"

namespace garbello {
namespace {

// The sample window every `--render` and protocol render shows.
constexpr Size kSampleWindowSize{640, 400};
constexpr double kSampleBorderWidth = 16;
constexpr double kSamplePatternScale = 1.0;
constexpr double kSampleCornerRadius = 10;

} // namespace

Json renderSample(const std::string& outfitName, const std::string& output, ClothVariant variant) {
    auto outfit = Outfit::parse(outfitName);
    if (!outfit)
        throw HeadlessError("Unknown outfit: " + outfitName);
    if (!output.starts_with('/'))
        throw HeadlessError("Output must be an absolute path");
    const RingStyle style{.outfit = *outfit,
                          .variant = variant,
                          .width = kSampleBorderWidth,
                          .scale = kSamplePatternScale,
                          .cornerRadius = kSampleCornerRadius};
    const std::string bytes =
        PatternRenderer::png(kSampleWindowSize, style, /*sampleContent=*/true);
    // Parent directories are created by the atomic write.
    writeFileAtomically(output, bytes);
    return Json{{"file", output},
                {"outfit", outfit->rawValue()},
                {"bytes", bytes.size()},
                {"variant", variant.rawValue()}};
}

} // namespace garbello
