#include "platform/theme_icons.h"

#include "platform/desktop_entries.h"
#include "support/atomic_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

namespace garbello::platform {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> commaList(std::string_view text) {
    std::vector<std::string> items;
    std::stringstream in{std::string(text)};
    for (std::string item; std::getline(in, item, ',');)
        if (auto value = trimmed(item); !value.empty())
            items.emplace_back(value);
    return items;
}

int number(const std::map<std::string, std::string>& group, const std::string& key, int otherwise) {
    auto found = group.find(key);
    if (found == group.end())
        return otherwise;
    char* end = nullptr;
    const long value = std::strtol(found->second.c_str(), &end, 10);
    return end == found->second.c_str() ? otherwise : static_cast<int>(value);
}

using IniGroups = std::map<std::string, std::map<std::string, std::string>>;

// The groups of an index.theme file; the first of each key wins.
IniGroups readIni(const std::filesystem::path& file) {
    IniGroups groups;
    std::ifstream in(file);
    std::map<std::string, std::string>* group = nullptr;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.starts_with('#'))
            continue;
        if (text.starts_with('[') && text.ends_with(']')) {
            group = &groups[std::string(text.substr(1, text.size() - 2))];
            continue;
        }
        const auto equals = text.find('=');
        if (group && equals != std::string_view::npos)
            group->emplace(std::string(trimmed(text.substr(0, equals))),
                           std::string(trimmed(text.substr(equals + 1))));
    }
    return groups;
}

std::optional<Image> decodeAt(const std::filesystem::path& file, int size) {
    try {
        const auto picture = Bitmap::decodePNG(readFile(file));
        if (picture->width() == size && picture->height() == size)
            return picture->toImage();
        Bitmap scaled(size, size);
        scaled.drawScaledToFit(picture->toImage());
        return scaled.toImage();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::vector<std::filesystem::path> iconDirectories() {
    std::vector<std::filesystem::path> directories;
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        directories.push_back(std::filesystem::path(home) / ".icons");
    // The data directories are those the desktop entries come from.
    for (const auto& applications : desktopEntryDirectories())
        directories.push_back(applications.parent_path() / "icons");
    directories.push_back("/usr/share/pixmaps");
    return directories;
}

bool ThemeIcons::Directory::matches(int wanted) const {
    switch (type) {
    case Type::fixed:
        return size == wanted;
    case Type::scalable:
        return minimum <= wanted && wanted <= maximum;
    case Type::threshold:
        return size - threshold <= wanted && wanted <= size + threshold;
    }
    return false;
}

int ThemeIcons::Directory::distance(int wanted) const {
    switch (type) {
    case Type::fixed:
        return std::abs(size - wanted);
    case Type::scalable:
        return wanted < minimum ? minimum - wanted : wanted > maximum ? wanted - maximum : 0;
    case Type::threshold:
        return wanted < size - threshold   ? size - threshold - wanted
               : wanted > size + threshold ? wanted - size - threshold
                                           : 0;
    }
    return INT_MAX;
}

ThemeIcons::ThemeIcons(std::string theme, std::vector<std::filesystem::path> directories)
    : directories_(std::move(directories)) {
    std::set<std::string> seen;
    std::vector<std::string> pending{std::move(theme)};
    // Breadth-first through the inheritance, with hicolor always last.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i] == "hicolor" || !seen.insert(pending[i]).second)
            continue;
        if (auto loaded = loadTheme(pending[i])) {
            for (const auto& parent : loaded->parents)
                pending.push_back(parent);
            themes_.push_back(std::move(*loaded));
        }
    }
    if (auto hicolor = loadTheme("hicolor"))
        themes_.push_back(std::move(*hicolor));
}

std::optional<ThemeIcons::Theme> ThemeIcons::loadTheme(const std::string& name) const {
    for (const auto& base : directories_) {
        const auto index = base / name / "index.theme";
        std::error_code error;
        if (!std::filesystem::is_regular_file(index, error))
            continue;
        IniGroups groups = readIni(index);
        const auto& header = groups["Icon Theme"];
        Theme theme{name, {}, {}};
        if (auto inherits = header.find("Inherits"); inherits != header.end())
            theme.parents = commaList(inherits->second);
        auto listed = header.find("Directories");
        if (listed == header.end())
            return theme;
        for (const auto& path : commaList(listed->second)) {
            const auto& group = groups[path];
            // Pictures drawn for denser screens are not the size they say.
            if (number(group, "Scale", 1) != 1)
                continue;
            Directory directory;
            directory.path = path;
            directory.size = number(group, "Size", 0);
            directory.minimum = number(group, "MinSize", directory.size);
            directory.maximum = number(group, "MaxSize", directory.size);
            directory.threshold = number(group, "Threshold", 2);
            const auto type = group.find("Type");
            const std::string kind = type == group.end() ? "Threshold" : type->second;
            directory.type = kind == "Fixed"      ? Directory::Type::fixed
                             : kind == "Scalable" ? Directory::Type::scalable
                                                  : Directory::Type::threshold;
            if (directory.size > 0)
                theme.directories.push_back(directory);
        }
        return theme;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> ThemeIcons::find(const Theme& theme,
                                                      const std::string& iconName, int size) const {
    const std::string file = iconName + ".png";
    std::optional<std::filesystem::path> closest;
    int closestDistance = INT_MAX;
    for (const auto& directory : theme.directories) {
        for (const auto& base : directories_) {
            const auto candidate = base / theme.name / directory.path / file;
            std::error_code error;
            if (!std::filesystem::is_regular_file(candidate, error))
                continue;
            if (directory.matches(size))
                return candidate;
            // Larger pictures scale down better than smaller ones scale up.
            const int distance = directory.distance(size) * 2 + (directory.size < size ? 1 : 0);
            if (distance < closestDistance) {
                closestDistance = distance;
                closest = candidate;
            }
        }
    }
    return closest;
}

std::optional<Image> ThemeIcons::themeIcon(const std::string& iconName, int size) const {
    if (iconName.empty() || size <= 0)
        return std::nullopt;
    if (iconName.starts_with('/'))
        return decodeAt(iconName, size);
    // A name never climbs out of the theme's folders.
    if (iconName.find('/') != std::string::npos)
        return std::nullopt;
    for (const auto& theme : themes_)
        if (auto file = find(theme, iconName, size))
            if (auto image = decodeAt(*file, size))
                return image;
    for (const auto& base : directories_) {
        std::error_code error;
        if (const auto loose = base / (iconName + ".png");
            std::filesystem::is_regular_file(loose, error))
            if (auto image = decodeAt(loose, size))
                return image;
    }
    return std::nullopt;
}

} // namespace garbello::platform
