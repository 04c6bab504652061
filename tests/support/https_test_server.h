#pragma once

#include "run_process.h"
#include "temporary_directory.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace garbello::test {

// A real HTTPS server on 127.0.0.1 for the lifetime of the object, with a
// certificate made for it at start (valid for 127.0.0.1 and localhost). Its
// routes are listed in https_test_server.py.
class HttpsTestServer {
public:
    HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    // "https://<host>:<port><pathAndQuery>".
    std::string url(std::string_view pathAndQuery, std::string_view host = "127.0.0.1") const;
    // From now on, "/v1/<name>" (any query) answers with `status` and
    // `body`; status 0 sends the headers and then nothing for a minute.
    void answer(std::string_view name, int status, std::string_view body = {}) const;
    // How many requests "/v1/<name>" has had.
    int requests(std::string_view name) const;
    // The certificate to trust for this server.
    std::filesystem::path caFile() const { return directory_ / "cert.pem"; }

private:
    TemporaryDirectory directory_;
    std::optional<PipedProcess> server_;
    int port_ = 0;
};

} // namespace garbello::test
