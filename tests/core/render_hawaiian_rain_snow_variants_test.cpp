#include "draw/recording_surface.h"
#include "render/variant_cloth.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace garbello {
namespace {

// The tiled snow gear variants first cover the classic layer above its outer
// trim with ground; their tiles are everything drawn after that cover.
TEST(SnowGearVariantTest, TiledVariantsCoverTheClassicLayerAfterItIsDrawn) {
    const Strip strip{100, 20, 1};
    for (ClothVariant variant :
         {ClothVariant::fourth, ClothVariant::fifth, ClothVariant::sixth, ClothVariant::seventh,
          ClothVariant::eighth, ClothVariant::ninth, ClothVariant::tenth}) {
        const Palette p = paletteFor(Outfit::snowGear, variant);
        RecordingSurface surface;
        cloth::variantCloth(surface, strip, Outfit::snowGear, variant, p);
        const auto& operations = surface.operations();
        std::size_t cover = operations.size(), lastShade = 0;
        for (std::size_t k = 0; k < operations.size(); ++k) {
            const Operation& op = operations[k];
            const Rect b = op.bounds();
            if (cover == operations.size() && op.kind == Kind::fill && op.ink == p.ground &&
                std::abs(b.minY() - 0.16 * strip.width) < 1e-9 &&
                std::abs(b.maxY() - strip.width) < 1e-9 && b.minX() == 0 &&
                b.maxX() == strip.length)
                cover = k;
            // The classic layer's last paint, the speckle shading.
            if (op.ink == p.ground.withAlpha(0.28))
                lastShade = k;
        }
        ASSERT_LT(cover + 1, operations.size()) << variant.rawValue() << ": tiles after a cover";
        EXPECT_GT(lastShade, 0u) << variant.rawValue();
        EXPECT_LT(lastShade, cover) << variant.rawValue();
    }
}

} // namespace
} // namespace garbello
