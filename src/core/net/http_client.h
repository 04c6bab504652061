#pragma once

#include "support/error.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace garbello {

// Where the body of a successful answer goes.
enum class HttpBodyTarget {
    memory,        // small answers: HttpResponse::body
    temporaryFile, // downloads: HttpResponse::file, a new file the caller owns
};

// One GET over HTTPS. Nothing is kept between requests: no cookies, no cache,
// no connection shared with another request.
struct HttpRequest {
    std::string url;
    // Extra header lines, each "Name: value".
    std::vector<std::string> headers;
    // Longest wait for the connection or between two pieces of data.
    std::chrono::milliseconds requestTimeout = std::chrono::seconds(60);
    // Longest time for the whole resource, redirects included.
    std::chrono::milliseconds resourceTimeout = std::chrono::seconds(600);
    // Largest acceptable body, checked against the announced length and
    // against the bytes actually received.
    std::int64_t byteLimit = std::numeric_limits<std::int64_t>::max();
    HttpBodyTarget target = HttpBodyTarget::memory;
    // Called on the calling thread after each piece of the body with the
    // bytes received so far and the announced total (-1 when unknown).
    std::function<void(std::int64_t received, std::int64_t announced)> progress;
    // Trust anchors other than the system's (tests run their own server).
    std::optional<std::filesystem::path> caFile;
    // Requesting stop ends the request within 100 ms, whatever the server
    // does, with HttpError::Kind::cancelled: quitting never waits for a
    // time-out.
    std::stop_token stop;
};

struct HttpResponse {
    long status = 0;
    // The address that answered, after following redirects.
    std::string finalUrl;
    std::string body;
    // Set for HttpBodyTarget::temporaryFile: the caller moves or removes it.
    std::filesystem::path file;
};

// A request that did not produce an answer. Refusals by the client itself
// have their own kinds; transfer failures carry libcurl's description.
class HttpError : public Error {
public:
    enum class Kind {
        insecureUrl,      // the request's address is not https with a host
        insecureRedirect, // a redirect would have left https
        tooLarge,         // announced or received more than byteLimit
        transfer,         // network, TLS, timeout or protocol failure
        file,             // the body could not be stored
        cancelled,        // stop was requested; not a failure of the transfer
    };

    HttpError(Kind kind, const std::string& description) : Error(description), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Performs the request on the calling thread, following redirects only to
// https addresses. Any status is an answer; callers judge it. Throws
// HttpError; on failure or cancellation no temporary file is left behind.
HttpResponse httpGet(const HttpRequest& request);

} // namespace garbello
