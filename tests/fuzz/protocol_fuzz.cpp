// Feeds arbitrary bytes to the request handler as one protocol line. Beyond
// the sanitizers, the reply must be exactly one line holding a JSON object.
#include "protocol.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using garbello::ClothVariant;
using garbello::Json;

// Render requests reach this instead of the renderer, so no input can make
// the fuzzer write files at the paths it invents.
Json renderNothing(const std::string& outfit, const std::string& output, ClothVariant variant) {
    return {{"file", output}, {"outfit", outfit}, {"bytes", 0}, {"variant", variant.rawValue()}};
}

// Nor may it drive the settings window.
void renderNoScreen(const std::string&, bool, const std::filesystem::path&) {}
std::vector<std::filesystem::path> renderNoSheets(const std::filesystem::path&) {
    return {};
}
std::vector<std::string> verifyNothing() {
    return {};
}

const garbello::ProtocolWork kWritesNothing{renderNothing, renderNoScreen, renderNoSheets,
                                            verifyNothing};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    std::string reply = garbello::answerLine(line, kWritesNothing);
    if (reply.empty() || reply.find('\n') != reply.size() - 1)
        std::abort();
    Json parsed = Json::parse(reply, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object() || parsed.empty())
        std::abort();
    return 0;
}
