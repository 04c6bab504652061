#pragma once

#include "support/json_decode.h"

namespace garbello {

// Safe self-description of this build: name, version, outfits and every cloth
// title. Touches neither the desktop nor the network and never fails.
Json diagnostics();

} // namespace garbello
