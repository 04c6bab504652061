#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace garbello {

// Downloads the release manifest and the release image over HTTPS only,
// within a hard size limit. One download per call, on the calling thread
// (callers keep it off the main thread).
class UpdateTransport {
public:
    // The manifest's address on the release server.
    static const std::string_view feed;
    // The largest manifest fetched from the feed.
    static constexpr std::int64_t kManifestLimit = 65536;

    struct Configuration {
        std::chrono::milliseconds requestTimeout = std::chrono::seconds(60);
        std::chrono::milliseconds resourceTimeout = std::chrono::seconds(600);
        // Trust anchors other than the system's; tests serve their own.
        std::optional<std::filesystem::path> caFile;
    };

    // Fetches `url` and returns the downloaded file, moved into the system
    // temporary directory as "garbello-download-<UUID>"; the caller owns it.
    // `version` goes into the User-Agent. `progress` receives the bytes
    // written as a fraction of `limit`.
    // Throws UpdateError: insecureConnection for a non-https address or a
    // redirect leaving https (before or during the transfer), size when more
    // than `limit` bytes are announced or arrive, download for any answer but
    // 200 from an https address. Network and file errors, and the
    // cancellation that a stop request on `stop` causes, pass through as
    // HttpError.
    static std::filesystem::path fetch(const std::string& url, std::string_view version,
                                       std::int64_t limit, const Configuration& configuration,
                                       const std::function<void(double)>& progress = {},
                                       std::stop_token stop = {});
};

} // namespace garbello
