#include "update/update_transport.h"

#include "net/http_client.h"
#include "net/url.h"
#include "support/uuid.h"
#include "update/update_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace garbello {

const std::string_view UpdateTransport::feed = "https://releases.garbello.app/garbello/latest.json";

namespace {

constexpr long kAcceptedStatus = 200;

// Removes the client's file unless it was moved to its final name.
class OwnedFile {
public:
    explicit OwnedFile(std::filesystem::path path) : path_(std::move(path)) {}
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    ~OwnedFile() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    const std::filesystem::path& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::filesystem::path path_;
};

std::int64_t fileSize(const std::filesystem::path& file) {
    std::error_code error;
    auto size = std::filesystem::file_size(file, error);
    if (error)
        throw FileError("Could not read the size of " + file.string() + ": " + error.message());
    return static_cast<std::int64_t>(size);
}

std::filesystem::path moveToDownloads(OwnedFile& file) {
    auto target = std::filesystem::temp_directory_path() / ("garbello-download-" + newUuidString());
    if (std::rename(file.path().c_str(), target.c_str()) != 0)
        throw FileError("Could not move the download to " + target.string() + ": " +
                        std::strerror(errno));
    file.release();
    return target;
}

} // namespace

std::filesystem::path UpdateTransport::fetch(const std::string& url, std::string_view version,
                                             std::int64_t limit, const Configuration& configuration,
                                             const std::function<void(double)>& progress,
                                             std::stop_token stop) {
    if (!isHttpsUrl(url))
        throw UpdateError(UpdateError::Kind::insecureConnection);

    HttpRequest request;
    request.url = url;
    request.headers = {"User-Agent: Garbello/" + std::string(version)};
    request.requestTimeout = configuration.requestTimeout;
    request.resourceTimeout = configuration.resourceTimeout;
    request.byteLimit = limit;
    request.target = HttpBodyTarget::temporaryFile;
    request.caFile = configuration.caFile;
    request.stop = std::move(stop);
    if (progress) {
        // Measured against the limit, never against what the server announces.
        request.progress = [&progress, limit](std::int64_t received, std::int64_t) {
            progress(std::min(static_cast<double>(received) /
                                  static_cast<double>(std::max<std::int64_t>(limit, 1)),
                              1.0));
        };
    }

    HttpResponse response;
    try {
        response = httpGet(request);
    } catch (const HttpError& error) {
        switch (error.kind()) {
        case HttpError::Kind::insecureUrl:
        case HttpError::Kind::insecureRedirect:
            throw UpdateError(UpdateError::Kind::insecureConnection);
        case HttpError::Kind::tooLarge:
            throw UpdateError(UpdateError::Kind::size);
        case HttpError::Kind::transfer:
        case HttpError::Kind::file:
        case HttpError::Kind::cancelled:
            throw;
        }
        throw;
    }
    OwnedFile file(response.file);
    if (response.status != kAcceptedStatus || !isHttpsUrl(response.finalUrl))
        throw UpdateError(UpdateError::Kind::download);
    if (fileSize(file.path()) > limit)
        throw UpdateError(UpdateError::Kind::size);
    return moveToDownloads(file);
}

} // namespace garbello
