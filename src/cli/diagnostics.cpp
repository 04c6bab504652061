#include "diagnostics.h"

#include "model/cloth_variant.h"
#include "update/update_version.h"

namespace garbello {

Json diagnostics() {
    Json outfits = Json::array();
    Json variants = Json::object();
    for (Outfit outfit : Outfit::allCases()) {
        outfits.push_back(outfit.rawValue());
        Json titles = Json::array();
        for (ClothVariant variant : ClothVariant::allCases())
            titles.push_back({{"id", variant.rawValue()}, {"name", variant.title(outfit)}});
        variants[std::string(outfit.rawValue())] = std::move(titles);
    }
    return {
        {"name", "Garbello"},
        {"version", UpdateVersion::current},
        {"headless", true},
        {"desktopAccessed", false},
        {"renderer", "CoreGraphics bitmap and offscreen AppKit"},
        {"outfits", std::move(outfits)},
        {"variants", std::move(variants)},
        {"minimumMacOS", "13.0"},
        {"telemetry", false},
    };
}

} // namespace garbello
