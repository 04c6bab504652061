#include "https_test_server.h"

#include "run_process.h"

#include <fstream>
#include <stdexcept>

namespace garbello::test {
namespace {

void makeCertificate(const std::filesystem::path& directory) {
    auto result =
        runProcess("/usr/bin/openssl",
                   {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                    "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout",
                    (directory / "key.pem").string(), "-out", (directory / "cert.pem").string()});
    if (result.status != 0)
        throw std::runtime_error("openssl could not make a certificate: " + result.err);
}

} // namespace

HttpsTestServer::HttpsTestServer() {
    makeCertificate(directory_.path());
    server_.emplace("/usr/bin/python3",
                    std::vector<std::string>{GARBELLO_TEST_SUPPORT_DIR "/https_test_server.py",
                                             caFile().string(), (directory_ / "key.pem").string()},
                    std::map<std::string, std::string>{}, (directory_ / "server.log").string());
    try {
        port_ = std::stoi(server_->readLine());
    } catch (const std::exception&) {
        throw std::runtime_error("the test HTTPS server did not start");
    }
}

void HttpsTestServer::answer(std::string_view name, int status, std::string_view body) const {
    const auto answers = directory_ / "answers";
    std::filesystem::create_directories(answers);
    // Written beside and renamed, so the server never reads half an answer.
    const auto file = answers / std::string(name);
    const auto part = answers / (std::string(name) + ".part");
    {
        std::ofstream out(part, std::ios::binary);
        out << status << '\n' << body;
    }
    std::filesystem::rename(part, file);
}

int HttpsTestServer::requests(std::string_view name) const {
    std::ifstream log(directory_ / "answers" / (std::string(name) + ".log"));
    int lines = 0;
    for (std::string line; std::getline(log, line);)
        ++lines;
    return lines;
}

std::string HttpsTestServer::url(std::string_view pathAndQuery, std::string_view host) const {
    return "https://" + std::string(host) + ":" + std::to_string(port_) + std::string(pathAndQuery);
}

} // namespace garbello::test
