#include "failure_of.h"
#include "https_test_server.h"
#include "net/http_client.h"
#include "net/url.h"
#include "support/atomic_file.h"
#include "update/update_error.h"
#include "update/update_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <regex>
#include <stop_token>
#include <thread>
#include <variant>
#include <vector>

namespace garbello {
namespace {

namespace fs = std::filesystem;
using test::HttpsTestServer;
using namespace std::chrono_literals;
using Outcome = std::variant<std::string, UpdateError::Kind>; // the file's contents or the failure

// Started by the first test that needs it, so that a server that cannot
// start fails that test instead of skipping the suite.
HttpsTestServer& server() {
    static HttpsTestServer server;
    return server;
}

UpdateTransport::Configuration configuration() {
    return {10s, 20s, server().caFile()};
}

Outcome fetch(const std::string& url) {
    try {
        fs::path file = UpdateTransport::fetch(url, "0.3.0", 65536, configuration());
        std::string contents = readFile(file);
        fs::remove(file);
        return contents;
    } catch (const UpdateError& error) {
        return error.kind();
    }
}

// A redirect to `target` on the server, named by another host name.
std::string redirectTo(const std::string& target, const std::string& code = "302") {
    return server().url("/redirect?code=" + code +
                        "&to=" + percentEncodedQueryValue(server().url(target, "localhost")));
}

// The file the transfer is writing into, found among this process's open files.
std::optional<fs::path> openTransferFile() {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        fs::path target = fs::read_symlink(entry.path(), error);
        if (!error && target.filename().string().starts_with("garbello-transfer-"))
            return target;
    }
    return std::nullopt;
}

TEST(UpdateTransportTest, DownloadsOnlyA200OverHttpsWithinTheLimit) {
    using enum UpdateError::Kind;
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {server().url("/bytes?n=65536"), std::string(65536, 'a')},
        {server().url("/bytes?n=65537"), size},
        {server().url("/bytes?n=65536&length=no"), std::string(65536, 'a')},
        {server().url("/bytes?n=65537&length=no"), size},
        {server().url("/announce?length=65537&n=10"), size},
        {server().url("/bytes?n=0"), std::string()},
        {server().url("/status?code=206&n=20"), download},
        {server().url("/status?code=404&n=20"), download},
        {server().url("/agent"), "Garbello/0.3.0"},
        {redirectTo("/bytes?n=7"), "aaaaaaa"}, // another https host is fine
        {server().url("/redirect?to=http://127.0.0.1:1/latest.json"), insecureConnection},
        {server().url("/redirect?to=ftp://127.0.0.1/latest.json"), insecureConnection},
        // Refused before any connection: none of these hosts is contacted.
        {"http://127.0.0.1:1/garbello/latest.json", insecureConnection},
        {"HTTPS://127.0.0.1:1/garbello/latest.json", insecureConnection},
        {"https:///garbello/latest.json", insecureConnection},
        {"file:///etc/passwd", insecureConnection},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(fetch(url), expected) << url;
}

TEST(UpdateTransportTest, ADownloadIsRenamedIntoTheTemporaryDirectoryOrRemoved) {
    std::vector<double> progress;
    std::optional<fs::path> transferFile;
    auto report = [&](double fraction) {
        progress.push_back(fraction);
        transferFile = openTransferFile();
    };
    fs::path file = UpdateTransport::fetch(server().url("/bytes?n=250000"), "0.3.0", 1000000,
                                           configuration(), report);
    EXPECT_EQ(file.parent_path(), fs::temp_directory_path());
    EXPECT_TRUE(std::regex_match(
        file.filename().string(),
        std::regex("garbello-download-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                   "[0-9A-F]{12}")))
        << file;
    EXPECT_EQ(fs::file_size(file), 250000u);
    fs::remove(file);
    // Measured against the limit, never against the announced length.
    EXPECT_DOUBLE_EQ(progress.back(), 0.25);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ASSERT_TRUE(transferFile.has_value());
    EXPECT_FALSE(fs::exists(*transferFile));

    // Refused once more than the limit has arrived, without an announced length.
    transferFile.reset();
    EXPECT_EQ(test::failureOf<UpdateError>([&] {
                  UpdateTransport::fetch(server().url("/bytes?n=70000&length=no"), "0.3.0", 65536,
                                         configuration(), report);
              }),
              UpdateError::Kind::size);
    ASSERT_TRUE(transferFile.has_value());
    EXPECT_FALSE(fs::exists(*transferFile));
}

TEST(UpdateTransportTest, ARequestThatCannotFinishEndsSoonAndLeavesNoFile) {
    using enum HttpError::Kind;
    enum class Stop { never, first, whileWaiting };
    struct Case {
        std::chrono::milliseconds request, resource;
        Stop stop;
        HttpError::Kind failure;
        bool trusted = true;
    };
    const Case cases[] = {
        {1s, 600s, Stop::never, transfer},         {30s, 1s, Stop::never, transfer},
        {30s, 600s, Stop::never, transfer, false}, // the system's trust anchors only
        {30s, 600s, Stop::first, cancelled},       {30s, 600s, Stop::whileWaiting, cancelled},
    };
    for (const Case& c : cases) {
        const UpdateTransport::Configuration configured{
            c.request, c.resource, c.trusted ? std::optional(server().caFile()) : std::nullopt};
        std::stop_source stop;
        if (c.stop == Stop::first)
            stop.request_stop();
        std::optional<fs::path> transferFile;
        std::jthread stopper;
        auto received = [&](double) {
            if (transferFile)
                return;
            transferFile = openTransferFile();
            // From another thread, while the transfer waits for more.
            if (c.stop == Stop::whileWaiting)
                stopper = std::jthread([&stop] { stop.request_stop(); });
        };
        auto started = std::chrono::steady_clock::now();
        // The server announces a hundred bytes and sends none, or ten for the
        // stop to come while the transfer is under way.
        std::string url = server().url(c.stop == Stop::whileWaiting ? "/stall?n=10" : "/stall");
        // Passed through as the client's own error.
        EXPECT_EQ(test::failureOf<HttpError>([&] {
                      UpdateTransport::fetch(url, "0.3.0", 1000, configured, received,
                                             stop.get_token());
                  }),
                  c.failure);
        // Well under the 30 s that only a time-out of 1 s or the stop can beat.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
        EXPECT_EQ(transferFile.has_value(), c.stop == Stop::whileWaiting);
        if (transferFile) {
            EXPECT_FALSE(fs::exists(*transferFile));
        }
    }
}

TEST(UpdateTransportTest, HttpClientKeepsSmallAnswersInMemoryAndStopsRedirectLoops) {
    HttpRequest request;
    request.caFile = server().caFile();
    request.url = redirectTo("/status?code=404&n=3", "308");
    HttpResponse response = httpGet(request);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "bbb");
    EXPECT_EQ(response.finalUrl, server().url("/status?code=404&n=3", "localhost"));
    EXPECT_TRUE(response.file.empty());

    request.url = server().url("/loop");
    EXPECT_EQ(test::failureOf<HttpError>([&] { httpGet(request); }), HttpError::Kind::transfer)
        << "a redirect loop ended";
}

// The address override may name nothing but a service on this machine.
TEST(UrlTest, OnlyLoopbackHttpsOriginsCanStandInForAService) {
    for (const char* origin :
         {"https://127.0.0.1:8443", "https://localhost:1", "https://[::1]:65535"})
        EXPECT_TRUE(isLoopbackHttpsOrigin(origin)) << origin;
    for (const char* origin :
         {"http://127.0.0.1:8443", "https://127.0.0.1", "https://127.0.0.1:", "https://127.0.0.1:0",
          "https://127.0.0.1:65536", "https://127.0.0.1:80/path",
          "https://127.0.0.1.evil.example:80", "https://localhost:8x", "https://example.com:443",
          "HTTPS://localhost:443"})
        EXPECT_FALSE(isLoopbackHttpsOrigin(origin)) << origin;
}

} // namespace
} // namespace garbello
