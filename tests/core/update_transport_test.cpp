#include "https_test_server.h"
#include "net/http_client.h"
#include "support/atomic_file.h"
#include "update/update_error.h"
#include "update/update_transport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
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

    static UpdateTransport::Configuration configuration() {
        UpdateTransport::Configuration configuration;
        configuration.caFile = server->caFile();
        configuration.requestTimeout = std::chrono::seconds(10);
        configuration.resourceTimeout = std::chrono::seconds(20);
        return configuration;
    }

    // The fetched file (removed again) or the kind of update failure.
    static std::variant<std::string, UpdateError::Kind>
    fetch(const std::string& url, std::int64_t limit = UpdateTransport::kManifestLimit) {
        try {
            fs::path file = UpdateTransport::fetch(url, "0.3.0", limit, configuration());
            std::string contents = readFile(file);
            fs::remove(file);
            return contents;
        } catch (const UpdateError& error) {
            return error.kind();
        }
    }

    static HttpsTestServer* server;
};

HttpsTestServer* UpdateTransportTest::server = nullptr;

std::string queryValue(const std::string& text) {
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
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

TEST_F(UpdateTransportTest, SizeLimitHoldsForAnnouncedAndReceivedBytes) {
    struct Case {
        std::string path;
        std::optional<std::size_t> downloaded; // nothing: fails with size
    };
    const std::vector<Case> cases = {
        {"/bytes?n=65536", 65536},
        {"/bytes?n=65537", std::nullopt},
        {"/bytes?n=65536&length=no", 65536},
        {"/bytes?n=65537&length=no", std::nullopt},
        {"/announce?length=65537&n=10", std::nullopt},
        {"/bytes?n=0", 0},
    };
    for (const Case& c : cases) {
        auto result = fetch(server->url(c.path));
        if (c.downloaded) {
            ASSERT_TRUE(std::holds_alternative<std::string>(result)) << c.path;
            EXPECT_EQ(std::get<std::string>(result).size(), *c.downloaded) << c.path;
        } else {
            ASSERT_TRUE(std::holds_alternative<UpdateError::Kind>(result)) << c.path;
            EXPECT_EQ(std::get<UpdateError::Kind>(result), UpdateError::Kind::size) << c.path;
        }
    }
}

TEST_F(UpdateTransportTest, OnlyStatus200IsADownload) {
    for (int code : {304, 206, 203, 404, 500}) {
        auto result = fetch(server->url("/status?code=" + std::to_string(code) + "&n=20"));
        ASSERT_TRUE(std::holds_alternative<UpdateError::Kind>(result)) << code;
        EXPECT_EQ(std::get<UpdateError::Kind>(result), UpdateError::Kind::download) << code;
    }
}

TEST_F(UpdateTransportTest, NeverLeavesHttps) {
    const std::vector<std::string> refused = {
        server->url("/redirect?to=http://127.0.0.1:1/latest.json"),
        server->url("/redirect?to=ftp://127.0.0.1/latest.json"),
        server->url("/redirect?to=http://127.0.0.1:1/x&code=301"),
        server->url("/redirect?to=http://127.0.0.1:1/x&code=307"),
        // Refused before any connection: none of these hosts is contacted.
        "http://127.0.0.1:1/garbello/latest.json",
        "HTTPS://127.0.0.1:1/garbello/latest.json",
        "https:///garbello/latest.json",
        "file:///etc/passwd",
        "",
    };
    for (const std::string& url : refused) {
        auto result = fetch(url);
        ASSERT_TRUE(std::holds_alternative<UpdateError::Kind>(result)) << url;
        EXPECT_EQ(std::get<UpdateError::Kind>(result), UpdateError::Kind::insecureConnection)
            << url;
    }
    // Another https host is fine.
    auto followed =
        fetch(server->url("/redirect?to=" + queryValue(server->url("/bytes?n=7", "localhost"))));
    ASSERT_TRUE(std::holds_alternative<std::string>(followed));
    EXPECT_EQ(std::get<std::string>(followed), "aaaaaaa");
}

TEST_F(UpdateTransportTest, ProgressIsMeasuredAgainstTheLimit) {
    std::vector<double> reports;
    fs::path file =
        UpdateTransport::fetch(server->url("/bytes?n=250000"), "0.3.0", 1000000, configuration(),
                               [&](double fraction) { reports.push_back(fraction); });
    fs::remove(file);
    ASSERT_FALSE(reports.empty());
    EXPECT_DOUBLE_EQ(reports.back(), 0.25);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
}

TEST_F(UpdateTransportTest, DownloadEndsInTheTemporaryDirectoryUnderItsOwnName) {
    std::optional<fs::path> transferFile;
    fs::path file = UpdateTransport::fetch(server->url("/agent"), "0.3.0", 1000, configuration(),
                                           [&](double) { transferFile = openTransferFile(); });
    EXPECT_EQ(file.parent_path(), fs::temp_directory_path());
    EXPECT_TRUE(std::regex_match(
        file.filename().string(),
        std::regex("garbello-download-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                   "[0-9A-F]{12}")))
        << file;
    EXPECT_EQ(readFile(file), "Garbello/0.3.0");
    fs::remove(file);
    ASSERT_TRUE(transferFile.has_value());
    EXPECT_FALSE(fs::exists(*transferFile));
}

TEST_F(UpdateTransportTest, ARefusedDownloadLeavesNoFile) {
    std::optional<fs::path> transferFile;
    EXPECT_THROW(UpdateTransport::fetch(server->url("/bytes?n=70000&length=no"), "0.3.0", 65536,
                                        configuration(),
                                        [&](double) { transferFile = openTransferFile(); }),
                 UpdateError);
    ASSERT_TRUE(transferFile.has_value());
    EXPECT_FALSE(fs::exists(*transferFile));
}

TEST_F(UpdateTransportTest, AStalledServerIsCutOff) {
    struct Case {
        std::chrono::milliseconds request;
        std::chrono::milliseconds resource;
    };
    for (const Case& c : {Case{std::chrono::seconds(1), std::chrono::seconds(30)},
                          Case{std::chrono::seconds(30), std::chrono::seconds(1)}}) {
        auto configured = configuration();
        configured.requestTimeout = c.request;
        configured.resourceTimeout = c.resource;
        auto started = std::chrono::steady_clock::now();
        try {
            UpdateTransport::fetch(server->url("/stall"), "0.3.0", 1000, configured);
            ADD_FAILURE() << "a stalled download finished";
        } catch (const HttpError& error) {
            // Network failures pass through with their own description.
            EXPECT_EQ(error.kind(), HttpError::Kind::transfer) << error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    }
}

TEST_F(UpdateTransportTest, AStopRequestCancelsTheRequestAndRemovesItsFile) {
    auto patient = configuration();
    // Longer than the test may take: only the stop request can end it.
    patient.requestTimeout = std::chrono::seconds(30);
    patient.resourceTimeout = std::chrono::seconds(600);
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
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
            << "the stop waited for a time-out";
        EXPECT_EQ(transferFile.has_value(), whileReceiving);
        if (transferFile) {
            EXPECT_FALSE(fs::exists(*transferFile));
        }
    }
}

TEST_F(UpdateTransportTest, AnUntrustedServerIsATransferFailure) {
    UpdateTransport::Configuration untrusted; // the system's anchors only
    EXPECT_THROW(UpdateTransport::fetch(server->url("/bytes?n=1"), "0.3.0", 10, untrusted),
                 HttpError);
}

TEST_F(UpdateTransportTest, FeedIsTheManifestPathOnTheReleaseHost) {
    EXPECT_EQ(UpdateTransport::feed, "https://releases.garbello.app/garbello/latest.json");
}

TEST_F(UpdateTransportTest, HttpClientKeepsSmallAnswersInMemoryAndStopsRedirectLoops) {
    HttpRequest request;
    request.caFile = server->caFile();
    request.url =
        server->url("/redirect?to=" + queryValue(server->url("/status?code=404&n=3", "localhost")));
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
