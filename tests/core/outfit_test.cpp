#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
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

TEST(ClothVariantTest, RawValuesAreZeroThroughNineInOrder) {
    auto all = ClothVariant::allCases();
    ASSERT_EQ(all.size(), 10u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].rawValue(), static_cast<int>(i));
        EXPECT_EQ(ClothVariant::parse(static_cast<std::int64_t>(i)), all[i]);
        EXPECT_EQ(nlohmann::json(all[i]), i);
    }
    for (std::int64_t raw : {std::int64_t{-1}, std::int64_t{10}, INT64_MIN, INT64_MAX})
        EXPECT_EQ(ClothVariant::parse(raw), std::nullopt) << raw;
}

TEST(ClothVariantTest, EveryOutfitAndVariantHasItsOwnTitle) {
    std::set<std::string> titles;
    for (Outfit outfit : Outfit::allCases())
        for (ClothVariant variant : ClothVariant::allCases())
            titles.insert(std::string(variant.title(outfit)));
    EXPECT_EQ(titles.size(), 50u);
    EXPECT_FALSE(titles.contains(""));
}

} // namespace
} // namespace garbello
