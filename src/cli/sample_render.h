#pragma once

#include "model/cloth_variant.h"
#include "support/json_decode.h"

#include <string>

namespace garbello {

// Renders a sample window dressed in `outfit` to the PNG file `output` and
// returns the record {"file", "outfit", "bytes", "variant"}. Fails with
// "Unknown outfit: …" for a name that is not an outfit raw value, then with
// "Output must be an absolute path".
Json renderSample(const std::string& outfit, const std::string& output, ClothVariant variant);

} // namespace garbello
