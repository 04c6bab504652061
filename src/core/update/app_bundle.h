#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace garbello {

// The layout of an application bundle: a directory "Garbello.app" holding
// Contents/MacOS/Garbello (the executable), Contents/Info.plist (identifier
// and versions) and, once signed, Contents/_CodeSignature.
namespace app_bundle {

inline constexpr const char* kName = "Garbello.app";
inline constexpr const char* kIdentifier = "com.quillmoss.Garbello";
inline constexpr const char* kTeam = "QX7R2M4KZ9";

inline std::filesystem::path executable(const std::filesystem::path& app) {
    return app / "Contents" / "MacOS" / "Garbello";
}
inline std::filesystem::path infoPlist(const std::filesystem::path& app) {
    return app / "Contents" / "Info.plist";
}

// A string value of the bundle's Info.plist; no value when the file cannot be
// read or parsed, the key is missing, or its value is not a string.
std::optional<std::string> infoString(const std::filesystem::path& app, const std::string& key);

} // namespace app_bundle
} // namespace garbello
