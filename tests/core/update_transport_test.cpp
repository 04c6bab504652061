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

class UpdateTransportTest : public ::testing::Test {
protected:
    // Started by the first test of the process so that a server that cannot
    // start fails that test instead of skipping the suite.
    void SetUp() override {
        if (!server)
            server = new HttpsTestServer();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    static UpdateTransport::Configuration configuration() { return {10s, 20s, server->caFile()}; }

    static Outcome fetch(const std::string& url, std::int64_t limit = 65536) {
        try {
            fs::path file = UpdateTransport::fetch(url, "0.3.0", limit, configuration());
            std::string contents = readFile(file);
            fs::remove(file);
            return contents;
        } catch (const UpdateError& error) {
            return error.kind();
        }
    }

    // A redirect to `target` on the server, named by another host name.
    static std::string redirectTo(const std::string& target, const std::string& code = "302") {
        return server->url("/redirect?code=" + code +
                           "&to=" + percentEncodedQueryValue(server->url(target, "localhost")));
    }

    static HttpsTestServer* server;
};

HttpsTestServer* UpdateTransportTest::server = nullptr;

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

TEST_F(UpdateTransportTest, DownloadsOnlyA200OverHttpsWithinTheLimit) {
    using enum UpdateError::Kind;
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {server->url("/bytes?n=65536"), std::string(65536, 'a')},
        {server->url("/bytes?n=65537"), size},
        {server->url("/bytes?n=65536&length=no"), std::string(65536, 'a')},
        {server->url("/bytes?n=65537&length=no"), size},
        {server->url("/announce?length=65537&n=10"), size},
        {server->url("/bytes?n=0"), std::string()},
        {server->url("/status?code=304&n=20"), download},
        {server->url("/status?code=206&n=20"), download},
        {server->url("/status?code=404&n=20"), download},
        {redirectTo("/bytes?n=7"), "aaaaaaa"}, // another https host is fine
        {server->url("/redirect?to=http://127.0.0.1:1/latest.json"), insecureConnection},
        {server->url("/redirect?to=ftp://127.0.0.1/latest.json"), insecureConnection},
        {server->url("/redirect?to=http://127.0.0.1:1/x&code=307"), insecureConnection},
        // Refused before any connection: none of these hosts is contacted.
        {"http://127.0.0.1:1/garbello/latest.json", insecureConnection},
        {"HTTPS://127.0.0.1:1/garbello/latest.json", insecureConnection},
        {"https:///garbello/latest.json", insecureConnection},
        {"file:///etc/passwd", insecureConnection},
        {"", insecureConnection},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(fetch(url), expected) << url;
}

TEST_F(UpdateTransportTest, ADownloadIsRenamedIntoTheTemporaryDirectoryOrRemoved) {
    for (bool refused : {false, true}) {
        std::vector<double> progress;
        std::optional<fs::path> transferFile;
        auto report = [&](double fraction) {
            progress.push_back(fraction);
            transferFile = openTransferFile();
        };
        // Refused once more than the limit has arrived, without an announced length.
        std::string url = refused ? server->url("/bytes?n=70000&length=no") : server->url("/agent");
        try {
            fs::path file =
                UpdateTransport::fetch(url, "0.3.0", refused ? 65536 : 56, configuration(), report);
            EXPECT_FALSE(refused);
            EXPECT_EQ(file.parent_path(), fs::temp_directory_path());
            EXPECT_TRUE(std::regex_match(
                file.filename().string(),
                std::regex(
                    "garbello-download-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                    "[0-9A-F]{12}")))
                << file;
            EXPECT_EQ(readFile(file), "Garbello/0.3.0");
            fs::remove(file);
            // Measured against the limit, never against the announced length.
            EXPECT_EQ(progress, std::vector<double>{14.0 / 56});
        } catch (const UpdateError& error) {
            EXPECT_TRUE(refused);
            EXPECT_EQ(error.kind(), UpdateError::Kind::size);
        }
        ASSERT_TRUE(transferFile.has_value()) << refused;
        EXPECT_FALSE(fs::exists(*transferFile)) << refused;
    }
}

TEST_F(UpdateTransportTest, ProgressNeverDecreasesNorPassesTheLimit) {
    std::vector<double> reports;
    fs::path file =
        UpdateTransport::fetch(server->url("/bytes?n=250000"), "0.3.0", 1000000, configuration(),
                               [&](double fraction) { reports.push_back(fraction); });
    fs::remove(file);
    ASSERT_FALSE(reports.empty());
    EXPECT_DOUBLE_EQ(reports.back(), 0.25);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
}

TEST_F(UpdateTransportTest, AStalledOrUntrustedServerIsATransferFailure) {
    struct Case {
        std::chrono::milliseconds request, resource;
        bool trusted = true;
    };
    for (const Case& c : {Case{1s, 30s}, Case{30s, 1s}, Case{10s, 20s, false}}) {
        UpdateTransport::Configuration configured{c.request, c.resource, std::nullopt};
        if (c.trusted)
            configured.caFile = server->caFile(); // otherwise the system's anchors only
        auto started = std::chrono::steady_clock::now();
        try {
            UpdateTransport::fetch(server->url("/stall"), "0.3.0", 1000, configured);
            ADD_FAILURE() << "a stalled download finished";
        } catch (const HttpError& error) {
            // Network failures pass through with their own description.
            EXPECT_EQ(error.kind(), HttpError::Kind::transfer) << error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    }
}

TEST_F(UpdateTransportTest, AStopRequestCancelsTheRequestAndRemovesItsFile) {
    // Longer than the test may take: only the stop request can end it.
    const UpdateTransport::Configuration patient{30s, 600s, server->caFile()};
    for (bool whileReceiving : {false, true}) {
        std::stop_source stop;
        if (!whileReceiving)
            stop.request_stop();
        std::optional<fs::path> transferFile;
        std::jthread stopper;
        auto started = std::chrono::steady_clock::now();
        try {
            // The server sends ten bytes of a hundred and then nothing, so the
            // stop arrives from another thread while the transfer waits.
            UpdateTransport::fetch(
                server->url("/stall?n=10"), "0.3.0", 1000, patient,
                [&](double) {
                    if (transferFile)
                        return;
                    transferFile = openTransferFile();
                    stopper = std::jthread([&stop] { stop.request_stop(); });
                },
                stop.get_token());
            ADD_FAILURE() << "a stalled download finished";
        } catch (const HttpError& error) {
            EXPECT_EQ(error.kind(), HttpError::Kind::cancelled) << error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s)
            << "the stop waited for a time-out";
        EXPECT_EQ(transferFile.has_value(), whileReceiving);
        if (transferFile) {
            EXPECT_FALSE(fs::exists(*transferFile));
        }
    }
}

TEST_F(UpdateTransportTest, HttpClientKeepsSmallAnswersInMemoryAndStopsRedirectLoops) {
    HttpRequest request;
    request.caFile = server->caFile();
    request.url = redirectTo("/status?code=404&n=3", "308");
    HttpResponse response = httpGet(request);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "bbb");
    EXPECT_EQ(response.finalUrl, server->url("/status?code=404&n=3", "localhost"));
    EXPECT_TRUE(response.file.empty());

    request.url = server->url("/loop");
    try {
        httpGet(request);
        ADD_FAILURE() << "a redirect loop ended";
    } catch (const HttpError& error) {
        EXPECT_EQ(error.kind(), HttpError::Kind::transfer);
    }
}

} // namespace
} // namespace garbello
