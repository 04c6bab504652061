#pragma once

#include "support/error.h"

namespace garbello {

// Why the renderer could not produce an image. The cases carry no text of
// their own; the description is the generic one the platform would show.
class RenderError : public Error {
public:
    enum class Kind { invalidDimensions, bitmapCreation, pngEncoding };

    explicit RenderError(Kind kind)
        : Error("The operation couldn\u2019t be completed. (Garbello.RenderError error " +
                std::to_string(static_cast<int>(kind)) + ".)"),
          kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

} // namespace garbello
