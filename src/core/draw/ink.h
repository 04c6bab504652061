#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace garbello {

// One colour in device RGB: red, green, blue and alpha, each 0 to 1.
struct Ink {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    bool operator==(const Ink&) const = default;

    // The same colour drawn with `newAlpha` instead of its own alpha.
    Ink withAlpha(double newAlpha) const { return {red, green, blue, newAlpha}; }

    // 0xRRGGBB with alpha 1.
    static constexpr Ink hex(unsigned rgb) {
        return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0,
                1.0};
    }
};

// a + (b − a) × t on red, green and blue; the alpha is a's.
Ink mix(const Ink& a, const Ink& b, double t);

// A colour as an outside source hands it over (an application icon's average,
// a settings swatch): either RGB or a single grey level. Only `deviceRGB`
// turns it into something the renderer can paint with.
class Color {
public:
    static Color rgb(double red, double green, double blue, double alpha = 1.0) {
        return Color(Space::rgb, red, green, blue, alpha);
    }
    static Color grey(double white, double alpha = 1.0) {
        return Color(Space::grey, white, white, white, alpha);
    }

    // The colour in device RGB with every component clamped to 0…1; none when
    // a component is not a number, which would otherwise poison every mix.
    std::optional<Ink> deviceRGB() const;

    // Equal colours come from the same space with the same components.
    bool operator==(const Color&) const = default;
    std::size_t hash() const noexcept;

private:
    enum class Space { rgb, grey };
    Color(Space space, double c0, double c1, double c2, double alpha)
        : space_(space), components_{c0, c1, c2}, alpha_(alpha) {}

    Space space_;
    double components_[3];
    double alpha_;
};

} // namespace garbello

template <> struct std::hash<garbello::Color> {
    std::size_t operator()(const garbello::Color& color) const noexcept { return color.hash(); }
};
