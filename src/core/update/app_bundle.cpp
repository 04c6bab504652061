#include "update/app_bundle.h"

#include "support/atomic_file.h"
#include "support/error.h"
#include "support/unique_handle.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>

namespace garbello::app_bundle {
namespace {

using Plist = UniqueHandle<plist_t, plist_free>;
using PlistText = UniqueHandle<char*, ::free>;

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
    Plist root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    plist_t value = plist_dict_get_item(root.get(), key.c_str());
    if (!value || plist_get_node_type(value) != PLIST_STRING)
        return std::nullopt;
    char* string = nullptr;
    plist_get_string_val(value, &string);
    PlistText owned(string);
    if (!owned)
        return std::nullopt;
    return std::string(owned.get());
}

} // namespace garbello::app_bundle
