#pragma once

#include <cmath>

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

// The shortest whole number of points that holds a whole number of `step`s,
// counted in `every`s up to `most` steps, so that a pattern placed every
// `step` repeats on the pixel grid; 0 when none is short enough.
inline double wholeRepeat(double step, int most, int every = 1) {
    for (int count = every; count <= most; count += every) {
        const double length = count * step;
        if (std::abs(length - std::round(length)) < 1e-9)
            return std::round(length);
    }
    return 0;
}

} // namespace garbello
