// Release tooling: signs an application bundle, prints the public half of a
// signing key, and writes the release manifest for a packed image.

#include "support/atomic_file.h"
#include "support/error.h"
#include "support/sha256.h"
#include "update/bundle_signature.h"
#include "update/update_release.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace garbello;

const char* const kUsage =
    "usage: garbello-sign sign APP PRIVATE_KEY.pem\n"
    "       garbello-sign public-key PRIVATE_KEY.pem\n"
    "       garbello-sign manifest IMAGE URL VERSION BUILD MINIMUM PUBLISHED NOTES_FILE OUT\n";

std::int64_t integer(const std::string& text) {
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw Error("Not a number: " + text);
    return value;
}

// Builds the manifest and runs it through the same validation the updater
// applies, so a release that would be refused is never published.
void writeManifest(const std::vector<std::string>& a) {
    UpdateRelease release;
    release.dmgURL = a[1];
    release.version = a[2];
    release.build = integer(a[3]);
    release.minimumMacOS = a[4];
    release.published = a[5];
    release.releaseNotes = readFile(a[6]);
    while (!release.releaseNotes.empty() && release.releaseNotes.back() == '\n')
        release.releaseNotes.pop_back();
    release.byteSize = static_cast<std::int64_t>(std::filesystem::file_size(a[0]));
    release.sha256 = sha256OfFile(a[0]);
    UpdateRelease::fromJson(release.toJson());
    writeFileAtomically(a[7], release.toJson().dump(2) + "\n");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        if (arguments.size() == 3 && arguments[0] == "sign") {
            bundle_signature::sign(arguments[1], arguments[2]);
        } else if (arguments.size() == 2 && arguments[0] == "public-key") {
            std::printf("%s\n", bundle_signature::publicKeyOf(arguments[1]).c_str());
        } else if (arguments.size() == 9 && arguments[0] == "manifest") {
            writeManifest({arguments.begin() + 1, arguments.end()});
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "garbello-sign: %s\n", error.what());
        return 1;
    }
    return 0;
}
