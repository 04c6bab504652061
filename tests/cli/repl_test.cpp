#include "run_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Pipes request sequences through `garbello --repl` and compares the reply
// lines exactly.
namespace garbello::test {
namespace {

const std::string kCorrupt = "The data couldn’t be read because it isn’t in the correct format: ";

struct Exchange {
    std::string request;
    std::string reply;
};

void expectConversation(const std::vector<Exchange>& exchanges) {
    std::string input;
    std::string expected;
    for (const Exchange& exchange : exchanges) {
        input += exchange.request + "\n";
        expected += exchange.reply + "\n";
    }
    ProcessResult result = runProcess(garbelloPath(), {"--repl"}, input);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

std::string error(const std::string& description) {
    return R"({"error":")" + description + R"("})";
}

// The validation itself is the protocol's own suite; here each kind of
// request is answered by the real parser, rules, assignment and renderer.
TEST(ReplTest, RequestsReachTheRealRulesAndRenderer) {
    auto outfit = [](const std::string& keys) {
        return R"({"operation":"outfit","temperature":18,"weatherCode":0)" + keys + "}";
    };
    auto variant = [](const std::string& keys) {
        return R"({"operation":"variant","app":"com.apple.Safari","outfit":"rainJacket",)" + keys +
               "}";
    };
    expectConversation({
        {"", error(kCorrupt + "[json.exception.parse_error.101] parse error at line 1, column 1: "
                              "syntax error while parsing value - unexpected end of input; "
                              "expected '[', '{', or a literal")},
        {outfit(R"(,"month":7)"), R"({"outfit":"hawaiian","reason":"a dry summer day, 18°C"})"},
        {outfit(R"(,"override":"linen","snowfall":3)"),
         R"({"outfit":"linen","reason":"manual outfit selection"})"},
        {variant(R"("windowID":43)"),
         R"({"automatic":1,"name":"Cobalt chevrons","outfit":"rainJacket","variant":1})"},
        {variant(R"("windowID":43,"override":3.0)"),
         R"({"automatic":1,"name":"Forest snaps","outfit":"rainJacket","variant":3})"},
        {R"({"operation":"render","outfit":"linen","output":"out.png"})",
         error("Output must be an absolute path")},
        {R"({"operation":"render","outfit":"plaid","output":"/tmp/out.png"})",
         error("Unknown outfit: plaid")},
    });
}

TEST(ReplTest, DiagnosticsMatchTheCommandLineOption) {
    ProcessResult option = runProcess(garbelloPath(), {"--diagnostics"});
    ProcessResult repl =
        runProcess(garbelloPath(), {"--repl"}, "{\"operation\":\"diagnostics\"}\n");
    EXPECT_EQ(repl.out, option.out);
    EXPECT_EQ(repl.status, 0);
}

TEST(ReplTest, HostileInputGetsOneReplyPerLineAndNeverStopsTheLoop) {
    std::string deepObjects = R"({"operation":"outfit","temperature":)";
    for (int i = 0; i < 100'000; ++i)
        deepObjects += R"({"a":)";
    deepObjects += "1" + std::string(100'001, '}');
    const std::string nested = error(kCorrupt + "arrays and objects are nested more than 512 "
                                                "levels deep");
    struct Line {
        std::string request;
        std::string reply;
        // Set for parser failures: the reply is the corrupt-data error naming this.
        const char* parserNames = nullptr;
    };
    const Line lines[] = {
        {R"({"operation":"variant","padding":")" + std::string(10'000'000, 'x') + R"("})",
         error("variant requires app, UInt32 windowID and outfit")},
        {std::string(100'000, '[') + std::string(100'000, ']'), nested},
        {deepObjects, nested},
        {R"({"operation":"outfit","temperature":123456789012345678901234567890,"weatherCode":0})",
         R"({"outfit":"hawaiian","reason":"hot and dry, 123456789012345677877719597056°C"})"},
        {R"({"operation":"outfit","temperature":18,"weatherCode":123456789012345678901234567890})",
         error("outfit requires temperature and weatherCode")},
        {"{\"operation\":\"\xff\xfe\"}", "", "ill-formed UTF-8"},
        {R"({"operation":"outfit","temperature":1e400,"weatherCode":0})", "", "number overflow"},
        {std::string("{\"operation\"\0:1}", 16), "", ""},
        {R"({"operation":"variant","app":"a","windowID":7,"outfit":"linen"})",
         R"({"automatic":1,"name":"Indigo ticking","outfit":"linen","variant":1})"},
    };
    std::string input;
    for (const Line& line : lines)
        input += line.request + "\n";
    ProcessResult result = runProcess(garbelloPath(), {"--repl"}, input);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");

    std::size_t start = 0;
    for (const Line& line : lines) {
        std::size_t end = result.out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "missing reply";
        const std::string reply = result.out.substr(start, end - start);
        start = end + 1;
        if (!line.parserNames) {
            EXPECT_EQ(reply, line.reply);
            continue;
        }
        EXPECT_TRUE(reply.starts_with(R"({"error":")" + kCorrupt)) << reply;
        EXPECT_NE(reply.find(line.parserNames), std::string::npos) << reply;
    }
    EXPECT_EQ(start, result.out.size()) << "more replies than lines";
}

TEST(ReplTest, EndOfInputWithoutAFinalLineFeedStillAnswersTheLastLine) {
    ProcessResult result =
        runProcess(garbelloPath(), {"--repl", "ignored"}, R"({"operation":"testUI"})");
    EXPECT_EQ(result.out, error("The settings window self-test is not in this build yet") + "\n");
    EXPECT_EQ(result.status, 0);
    ProcessResult empty = runProcess(garbelloPath(), {"--repl"}, "");
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.status, 0);
}

// A peer that writes one request and waits must get its reply while standard
// input is still open: each reply is flushed at once.
TEST(ReplTest, RepliesArriveWhileTheInputIsStillOpen) {
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe2(toChild, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(fromChild, O_CLOEXEC), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(toChild[0], 0);
        ::dup2(fromChild[1], 1);
        std::string program = garbelloPath();
        char* argv[] = {program.data(), const_cast<char*>("--repl"), nullptr};
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);

    auto ask = [&](const std::string& request) {
        std::string line = request + "\n";
        EXPECT_EQ(::write(toChild[1], line.data(), line.size()), ssize_t(line.size()));
        std::string reply;
        while (!reply.ends_with('\n')) {
            pollfd ready{fromChild[0], POLLIN, 0};
            if (::poll(&ready, 1, 5000) != 1)
                return reply + "(no reply within 5 s)";
            char buffer[4096];
            ssize_t count = ::read(fromChild[0], buffer, sizeof buffer);
            if (count <= 0)
                return reply + "(output closed)";
            reply.append(buffer, std::size_t(count));
        }
        return reply;
    };
    EXPECT_EQ(ask(R"({"operation":"outfit","temperature":30,"weatherCode":0})"),
              R"({"outfit":"hawaiian","reason":"hot and dry, 30°C"})"
              "\n");
    EXPECT_EQ(ask("[]"), error("Expected a JSON object") + "\n");

    ::close(toChild[1]);
    int status = -1;
    ::waitpid(child, &status, 0);
    ::close(fromChild[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace garbello::test
