#pragma once

#include "model/cloth_variant.h"
#include "support/json_decode.h"

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

// The work behind operations that write files. The executable uses the real
// renderer; tests and the fuzzer substitute work that touches nothing.
struct ProtocolWork {
    Json (*renderSample)(const std::string& outfit, const std::string& output,
                         ClothVariant variant);
    // The settings window harness (settings_screens.h).
    void (*renderSettingsScreen)(const std::string& screen, bool dark,
                                 const std::filesystem::path& output);
    std::vector<std::filesystem::path> (*renderSettingsSheets)(
        const std::filesystem::path& directory);
    std::vector<std::string> (*verifySettings)();
};

// The renderer and file system of this build.
const ProtocolWork& productionWork();

// Answers one request object with its reply record. Throws HeadlessError for
// a request that fails validation, and passes the errors of the work through.
// Keeps no state between requests.
Json perform(const Json& request, const ProtocolWork& work = productionWork());

// A variant number: a JSON number (not a boolean) that is finite, whole and
// 0 to 9, so 3 and 3.0 pass while 3.5, true, "3", -1 and 10 fail with
// "variant must be an integer from 0 to 9".
ClothVariant parseVariant(const Json& value);

// The reply line, line feed included, for one request line without its line
// terminator. Every failure becomes an error reply, so any input gets exactly
// one well-formed line.
std::string answerLine(std::string_view line, const ProtocolWork& work = productionWork());

// Answers every line of `in` on `out` in order, flushing each reply so a
// peer on a pipe can talk interactively, until the end of input. Throws Error
// only when `out` can no longer be written.
void serveRequests(std::istream& in, std::ostream& out);

} // namespace garbello
