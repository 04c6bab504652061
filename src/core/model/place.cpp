#include "model/place.h"

namespace garbello {

Json Place::toJson() const {
    return {
        {"name", name}, {"latitude", latitude}, {"longitude", longitude}, {"timezone", timezone}};
}

Place Place::fromJson(const Json& json) {
    json::requireObject(json, "place");
    return {json::requireString(json, "name"), json::requireNumber(json, "latitude"),
            json::requireNumber(json, "longitude"), json::requireString(json, "timezone")};
}

} // namespace garbello
