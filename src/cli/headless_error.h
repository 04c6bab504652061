#pragma once

#include "support/error.h"

namespace garbello {

// A usage or validation failure of a headless command or protocol request;
// its message is printed as is.
class HeadlessError : public Error {
public:
    using Error::Error;
};

// Raised by commands whose work this build does not carry yet.
inline HeadlessError notInThisBuild(const std::string& feature) {
    return HeadlessError(feature + " is not in this build yet");
}

} // namespace garbello
