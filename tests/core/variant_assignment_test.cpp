#include "settings/garbello_settings.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

TEST(VariantAssignmentTest, AutomaticVariantMatchesTheWorkedFnvValues) {
    struct Case {
        const char* bundleID;
        std::uint32_t windowID;
        int variant;
    };
    // Hashes of the key "<bundle>\0<decimal window>" computed independently:
    // Safari 42 → 0x866a3ce2973aab90, Safari 43 → 0x866a3de2973aad43,
    // "" 4294967295 → 0xf95620a65c0b932c.
    const Case cases[] = {
        {"com.apple.Safari", 42, 0}, {"com.apple.Safari", 43, 1},
        {"com.apple.finder", 1, 9},  {"", 0, 5},
        {"", 4294967295u, 2},        {"a", 7, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClothVariant::automatic(c.bundleID, c.windowID).rawValue(), c.variant)
            << c.bundleID << " " << c.windowID;
    }
}

TrackedWindow window(std::string bundleID, std::uint32_t id) {
    TrackedWindow tracked;
    tracked.bundleID = std::move(bundleID);
    tracked.id = id;
    return tracked;
}

TEST(VariantAssignmentTest, ApplicationChoiceBeatsOutfitChoiceBeatsAutomatic) {
    GarbelloSettings settings;
    settings.setPreferredVariant(ClothVariant::fourth, Outfit::sweater);
    settings.setVariant(ClothVariant::eighth, "org.mail", Outfit::sweater);
    settings.setVariant(ClothVariant::second, "org.notes", Outfit::linen);

    const TrackedWindow safari = window("com.apple.Safari", 42);
    struct Case {
        const char* name;
        TrackedWindow window;
        Outfit outfit;
        ClothVariant expected;
    };
    const Case cases[] = {
        {"outfit-wide choice", safari, Outfit::sweater, ClothVariant::fourth},
        {"application choice", window("org.mail", 1), Outfit::sweater, ClothVariant::eighth},
        {"application choice for another outfit only", window("org.notes", 1), Outfit::sweater,
         ClothVariant::fourth},
        {"application choice of its own outfit", window("org.notes", 1), Outfit::linen,
         ClothVariant::second},
        {"other outfits stay automatic", safari, Outfit::hawaiian, ClothVariant::classic},
        {"automatic ignores the outfit", window("com.apple.Safari", 43), Outfit::snowGear,
         ClothVariant::second},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings.variant(c.window, c.outfit), c.expected) << c.name;
}

} // namespace
} // namespace garbello
