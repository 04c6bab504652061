#pragma once

namespace garbello {

// One straight strip of cloth in its own frame: x runs along the edge from 0
// to `length`, y across it from 0 at the outer edge to `width` at the window
// edge. The border entry has translated, rotated, clipped and filled the
// ground before a cloth function draws into it.
struct Strip {
    double length = 0;
    double width = 0;
    double scale = 1; // effective pattern scale, already clamped
};

} // namespace garbello
