#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>

namespace garbello {
namespace {

TEST(OutfitTest, AllCasesInDeclarationOrderWithRawValuesAndTitles) {
    struct Row {
        Outfit outfit;
        const char* rawValue;
        const char* title;
    };
    const Row rows[] = {
        {Outfit::hawaiian, "hawaiian", "Hawaiian"},
        {Outfit::rainJacket, "rainJacket", "Rain jacket"},
        {Outfit::snowGear, "snowGear", "Snow gear"},
        {Outfit::sweater, "sweater", "Sweater"},
        {Outfit::linen, "linen", "Light linen"},
    };
    auto all = Outfit::allCases();
    ASSERT_EQ(all.size(), std::size(rows));
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i], rows[i].outfit);
        EXPECT_EQ(all[i].rawValue(), rows[i].rawValue);
        EXPECT_EQ(all[i].title(), rows[i].title);
        EXPECT_EQ(Outfit::parse(rows[i].rawValue), rows[i].outfit);
    }
}

TEST(OutfitTest, ParseAcceptsOnlyExactCaseNames) {
    for (const char* text : {"Hawaiian", "HAWAIIAN", "rainjacket", " linen", "linen ", "",
                             "Rain jacket", "Light linen", "plaid"})
        EXPECT_FALSE(Outfit::parse(text).has_value()) << text;
}

TEST(OutfitTest, JsonFormIsTheRawValue) {
    EXPECT_EQ(nlohmann::json(Outfit(Outfit::snowGear)).dump(), "\"snowGear\"");
    EXPECT_EQ(nlohmann::json(ClothVariant(ClothVariant::seventh)).dump(), "6");
}

TEST(ClothVariantTest, ParseAcceptsZeroThroughNine) {
    struct Row {
        std::int64_t raw;
        std::optional<ClothVariant> expected;
    };
    const Row rows[] = {
        {-1, std::nullopt},        {0, ClothVariant::classic}, {4, ClothVariant::fifth},
        {9, ClothVariant::tenth},  {10, std::nullopt},         {INT64_MIN, std::nullopt},
        {INT64_MAX, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ClothVariant::parse(row.raw), row.expected) << row.raw;
}

TEST(ClothVariantTest, AllCasesAreRawValuesZeroToNineInOrder) {
    auto all = ClothVariant::allCases();
    ASSERT_EQ(all.size(), 10u);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].rawValue(), static_cast<int>(i));
}

TEST(ClothVariantTest, TitlesDependOnTheOutfit) {
    struct Row {
        Outfit outfit;
        ClothVariant variant;
        const char* title;
    };
    const Row rows[] = {
        {Outfit::snowGear, ClothVariant::sixth, "Copper expedition"},
        {Outfit::sweater, ClothVariant::sixth, "Honey herringbone"},
        {Outfit::linen, ClothVariant::fifth, "Ivory herringbone"},
        {Outfit::hawaiian, ClothVariant::classic, "Lagoon hibiscus"},
        {Outfit::hawaiian, ClothVariant::tenth, "Seafoam garden"},
        {Outfit::rainJacket, ClothVariant::second, "Cobalt chevrons"},
        {Outfit::rainJacket, ClothVariant::tenth, "Rose drizzle"},
        {Outfit::snowGear, ClothVariant::fourth, "Arctic stars"},
        {Outfit::sweater, ClothVariant::third, "Heather argyle"},
        {Outfit::sweater, ClothVariant::tenth, "Sea glass braid"},
        {Outfit::linen, ClothVariant::fourth, "Clay gingham"},
        {Outfit::linen, ClothVariant::tenth, "Sand ladder"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.variant.title(row.outfit), row.title);
}

TEST(ClothVariantTest, EveryTitleIsDistinct) {
    std::set<std::string> titles;
    for (Outfit outfit : Outfit::allCases())
        for (ClothVariant variant : ClothVariant::allCases())
            titles.insert(std::string(variant.title(outfit)));
    EXPECT_EQ(titles.size(), 50u);
}

} // namespace
} // namespace garbello
