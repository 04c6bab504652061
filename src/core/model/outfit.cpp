#include "model/outfit.h"

#include "support/raw_value.h"

#include <nlohmann/json.hpp>

namespace garbello {
namespace {

struct OutfitNames {
    std::string_view rawValue;
    std::string_view title;
};

constexpr std::array<OutfitNames, Outfit::count> kOutfitNames{{
    {"hawaiian", "Hawaiian"},
    {"rainJacket", "Rain jacket"},
    {"snowGear", "Snow gear"},
    {"sweater", "Sweater"},
    {"linen", "Light linen"},
}};

} // namespace

std::optional<Outfit> Outfit::parse(std::string_view rawValue) {
    return caseWithRawValue(allCases(), rawValue);
}

std::string_view Outfit::rawValue() const {
    return kOutfitNames[index()].rawValue;
}

std::string_view Outfit::title() const {
    return kOutfitNames[index()].title;
}

void to_json(nlohmann::json& json, const Outfit& outfit) {
    json = outfit.rawValue();
}

} // namespace garbello
