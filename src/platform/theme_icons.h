#pragma once

#include "draw/bitmap.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace garbello::platform {

// Where icon themes live, most important first: ~/.icons, then "icons" in
// the user's data directory and in each of $XDG_DATA_DIRS, then
// /usr/share/pixmaps for icons outside any theme.
std::vector<std::filesystem::path> iconDirectories();

// Icons of the installed freedesktop icon theme, looked up by name the way
// the icon theme convention describes: the theme, the themes it inherits
// from, hicolor, and last the loose pixmaps. Only PNG files are read (every
// theme the program relies on ships its application icons as PNG too).
class ThemeIcons {
public:
    explicit ThemeIcons(std::string theme = "Adwaita",
                        std::vector<std::filesystem::path> directories = iconDirectories());

    // The icon `iconName` (a name such as "utilities-terminal", or an
    // absolute path to a PNG file) as a `size` × `size` image, taken from
    // the theme's picture closest to that size; none when no readable
    // picture exists.
    std::optional<Image> themeIcon(const std::string& iconName, int size) const;

private:
    struct Directory {
        std::string path; // relative to the theme's folder
        int size = 0;
        int minimum = 0;
        int maximum = 0;
        int threshold = 2;
        enum class Type { fixed, scalable, threshold } type = Type::threshold;

        bool matches(int wanted) const;
        int distance(int wanted) const;
    };
    struct Theme {
        std::string name;
        std::vector<std::string> parents;
        std::vector<Directory> directories;
    };

    std::optional<Theme> loadTheme(const std::string& name) const;
    std::optional<std::filesystem::path> find(const Theme& theme, const std::string& iconName,
                                              int size) const;

    std::vector<std::filesystem::path> directories_;
    // The theme and everything it inherits, hicolor last, each once.
    std::vector<Theme> themes_;
};

} // namespace garbello::platform
