#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace garbello {
namespace {

// The raw values are what the settings file and the protocol carry.
TEST(OutfitTest, RawValuesParseBackExactlyAndAreTheJsonForm) {
    for (Outfit outfit : Outfit::allCases()) {
        EXPECT_EQ(Outfit::parse(outfit.rawValue()), outfit);
        EXPECT_EQ(nlohmann::json(outfit), outfit.rawValue());
    }
    for (const char* text : {"Hawaiian", "rainjacket", " linen", "linen ", "", "Light linen"})
        EXPECT_EQ(Outfit::parse(text), std::nullopt) << text;
    EXPECT_EQ(Outfit::parse("snowGear"), Outfit::snowGear);
}

// Every title is pinned by the diagnostics record.
TEST(ClothVariantTest, RawValuesParseBackAndAreTheJsonForm) {
    for (ClothVariant variant : ClothVariant::allCases()) {
        EXPECT_EQ(ClothVariant::parse(variant.rawValue()), variant);
        EXPECT_EQ(nlohmann::json(variant), variant.rawValue());
    }
    for (std::int64_t raw : {std::int64_t{-1}, std::int64_t{10}, INT64_MIN, INT64_MAX})
        EXPECT_EQ(ClothVariant::parse(raw), std::nullopt) << raw;
}

} // namespace
} // namespace garbello
