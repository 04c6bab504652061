#include "run_process.h"

#include <gtest/gtest.h>

#include <string>
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
        {outfit(R"(,"month":7)"), R"({"outfit":"hawaiian","reason":"a dry summer day, 18°C"})"},
        {variant(R"("windowID":43,"override":3.0)"),
         R"({"automatic":1,"name":"Forest snaps","outfit":"rainJacket","variant":3})"},
        {R"({"operation":"render","outfit":"linen","output":"out.png"})",
         error("Output must be an absolute path")},
        {R"({"operation":"render","outfit":"plaid","output":"/tmp/out.png"})",
         error("Unknown outfit: plaid")},
    });
}

// What each hostile line is answered with is the protocol's own suite; here
// the real loop reads them whole and goes on to the next line.
TEST(ReplTest, HostileInputGetsOneReplyPerLineAndNeverStopsTheLoop) {
    std::string deepObjects = R"({"operation":"outfit","temperature":)";
    for (int i = 0; i < 100'000; ++i)
        deepObjects += R"({"a":)";
    deepObjects += "1" + std::string(100'001, '}');
    const std::string nested = error(kCorrupt + "arrays and objects are nested more than 512 "
                                                "levels deep");
    const std::string lines[] = {
        R"({"operation":"variant","padding":")" + std::string(10'000'000, 'x') + R"("})",
        std::string(100'000, '[') + std::string(100'000, ']'),
        deepObjects,
        R"({"operation":"variant","app":"a","windowID":7,"outfit":"linen"})",
    };
    std::string input;
    for (const std::string& line : lines)
        input += line + "\n";
    ProcessResult result = runProcess(garbelloPath(), {"--repl", "ignored"}, input);
    EXPECT_EQ(result.out,
              error("variant requires app, UInt32 windowID and outfit") + "\n" + nested + "\n" +
                  nested + "\n" +
                  R"({"automatic":1,"name":"Indigo ticking","outfit":"linen","variant":1})"
                  "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

// A peer that writes one request and waits must get its reply while standard
// input is still open: each reply is flushed at once.
TEST(ReplTest, RepliesArriveWhileTheInputIsStillOpen) {
    PipedProcess repl(garbelloPath(), {"--repl"});
    repl.write(R"({"operation":"outfit","temperature":30,"weatherCode":0})");
    EXPECT_EQ(repl.readLine(std::chrono::seconds(5)),
              R"({"outfit":"hawaiian","reason":"hot and dry, 30°C"})");
    repl.write("[]");
    EXPECT_EQ(repl.readLine(std::chrono::seconds(5)), error("Expected a JSON object"));
    EXPECT_EQ(repl.finish(), 0);
}

} // namespace
} // namespace garbello::test
