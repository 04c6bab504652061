#include "draw/bitmap.h"
#include "render/pattern_renderer.h"
#include "render/variant_cloth.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace garbello {
namespace {

TEST(VariantTilePeriodTest, ThreeTileSizesByPositionWithAFloorOfEight) {
    using enum ClothVariant::Case;
    // The variant, the border's width and scale, and the tile's period.
    const std::tuple<ClothVariant, double, double, double> cases[] = {
        {second, 12, 1, 19.2}, {third, 12, 1, 25.2}, {fourth, 12, 1, 13.2},
        {fifth, 10, 2, 32},    {fourth, 6, 1, 8},    {second, 8, 0.5, 8}};
    for (const auto& [variant, width, scale, period] : cases)
        EXPECT_NEAR(cloth::variantTilePeriod(variant, width, scale), period, 1e-12)
            << variant.rawValue() << " at width " << width << ", scale " << scale;
}

// The light ring of every cloth round a 160 x 120 window, width 16, scale 1,
// corner radius 10, as an FNV-1a digest of its pixels.
std::uint64_t ringDigest(Outfit outfit, ClothVariant variant, bool dark) {
    Bitmap bitmap(192, 152);
    drawBorder(bitmap.surface(), {16, 16, 160, 120}, outfit, variant, 16, 1, dark);
    return pixelDigest(bitmap);
}

// Any change to a cloth's artwork changes its digest. When a change is meant,
// look at the ring (e.g. `garbello --render`) before taking the new value.
TEST(RingDigestTest, EveryClothPaintsItsKnownPicture) {
    // The outfit, the variant's number and the digest.
    const std::tuple<Outfit, int, std::uint64_t> rows[] = {
        {Outfit::hawaiian, 0, 0xb66b15fa1d2b0773u},   {Outfit::hawaiian, 1, 0x6afda875b8d79e8au},
        {Outfit::hawaiian, 2, 0x227b46699827669bu},   {Outfit::hawaiian, 3, 0xb14632215548d0dcu},
        {Outfit::hawaiian, 4, 0x7f9a5b22734055f9u},   {Outfit::hawaiian, 5, 0x89e3d611b84929a9u},
        {Outfit::hawaiian, 6, 0x2956c00cd70598b9u},   {Outfit::hawaiian, 7, 0x133c4e6c35d57ec6u},
        {Outfit::hawaiian, 8, 0xdf290468d9e05561u},   {Outfit::hawaiian, 9, 0x24cdd160f81548c6u},
        {Outfit::rainJacket, 0, 0x3b18a93d0e8c5ee9u}, {Outfit::rainJacket, 1, 0x22e1ae6e9ab2c2fau},
        {Outfit::rainJacket, 2, 0x1f41137ac36020e9u}, {Outfit::rainJacket, 3, 0x994b3876d3d74d77u},
        {Outfit::rainJacket, 4, 0x65646a6a3a2d2b35u}, {Outfit::rainJacket, 5, 0x3f6de0ec7aaf22adu},
        {Outfit::rainJacket, 6, 0x6b45767dc7f0a74cu}, {Outfit::rainJacket, 7, 0x8fbf9be4dfe95ee3u},
        {Outfit::rainJacket, 8, 0x3e885e3cdebf7435u}, {Outfit::rainJacket, 9, 0x532a755b8d19856cu},
        {Outfit::snowGear, 0, 0x2a5618fc60c546eau},   {Outfit::snowGear, 1, 0xd7000f0eb760aa59u},
        {Outfit::snowGear, 2, 0xaa88e09a0bdc80b7u},   {Outfit::snowGear, 3, 0xfe44acac0240ab3bu},
        {Outfit::snowGear, 4, 0x98ecf8b2b1658468u},   {Outfit::snowGear, 5, 0xb74f732f7c451081u},
        {Outfit::snowGear, 6, 0x65bf95d3d8036182u},   {Outfit::snowGear, 7, 0x0ba2e4f1941d46d1u},
        {Outfit::snowGear, 8, 0x6d556fef2ef5b80au},   {Outfit::snowGear, 9, 0x6afc71fe6be1a215u},
        {Outfit::sweater, 0, 0x03aecf85c37a1cbeu},    {Outfit::sweater, 1, 0xc966a9afc17854edu},
        {Outfit::sweater, 2, 0x32174e06f73403ceu},    {Outfit::sweater, 3, 0xda575ff67e7a3934u},
        {Outfit::sweater, 4, 0xc97b6639a19e6a9bu},    {Outfit::sweater, 5, 0xb80442ce12ca3d39u},
        {Outfit::sweater, 6, 0xe8a4e25cc4d70ab7u},    {Outfit::sweater, 7, 0x2a39ac7c9a4aae8fu},
        {Outfit::sweater, 8, 0xc21497e79a9e0057u},    {Outfit::sweater, 9, 0xd4faee502d8a7e42u},
        {Outfit::linen, 0, 0x40b2237129decb52u},      {Outfit::linen, 1, 0x685fdd7c389dd4c2u},
        {Outfit::linen, 2, 0xaf41f39932a46d42u},      {Outfit::linen, 3, 0x38e12ba337e27d92u},
        {Outfit::linen, 4, 0x88619e0554aefe8fu},      {Outfit::linen, 5, 0xa212c7e3f71c054fu},
        {Outfit::linen, 6, 0x06a78974274487dcu},      {Outfit::linen, 7, 0x55f5c3201a570ba7u},
        {Outfit::linen, 8, 0x2a5c9f4c62eeb843u},      {Outfit::linen, 9, 0x3b4709266c2c3345u},
    };
    std::set<std::uint64_t> seen;
    for (const auto& [outfit, number, expected] : rows) {
        const ClothVariant variant = *ClothVariant::parse(number);
        const std::uint64_t digest = ringDigest(outfit, variant, false);
        EXPECT_EQ(digest, expected)
            << clothName(outfit, variant)
            << ": the ring's pixels changed; render it to PNG and look before updating the digest";
        EXPECT_NE(digest, ringDigest(outfit, variant, true)) << "dark and light differ";
        seen.insert(digest);
    }
    EXPECT_EQ(seen.size(), std::size(rows)) << "no two cloths paint the same ring";
}

} // namespace
} // namespace garbello
