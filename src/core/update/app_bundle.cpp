#include "update/app_bundle.h"

#include "support/atomic_file.h"
#include "support/error.h"

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace garbello::app_bundle {
namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};

} // namespace

std::optional<std::string> infoString(const std::filesystem::path& app, const std::string& key) {
    std::string text;
    try {
        text = readFile(infoPlist(app));
    } catch (const FileError&) {
        return std::nullopt;
    }
    if (text.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_xml(text.data(), static_cast<uint32_t>(text.size()), &parsed);
    std::unique_ptr<void, PlistDeleter> root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    plist_t value = plist_dict_get_item(root.get(), key.c_str());
    if (!value || plist_get_node_type(value) != PLIST_STRING)
        return std::nullopt;
    char* string = nullptr;
    plist_get_string_val(value, &string);
    if (!string)
        return std::nullopt;
    std::string result(string);
    free(string);
    return result;
}

} // namespace garbello::app_bundle
