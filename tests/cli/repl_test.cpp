#include "run_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Pipes request sequences through `garbello --repl` and compares the reply
// lines exactly.
namespace garbello::test {
namespace {

const std::string kCorrupt = "The data couldn’t be read because it isn’t in the correct format: ";

// Pipes `requests` through the REPL, whose arguments past --repl are
// ignored, and expects exactly `replies`, a line each.
void expectConversation(const std::vector<std::string>& requests,
                        const std::vector<std::string>& replies) {
    std::string input, expected;
    for (const std::string& request : requests)
        input += request + "\n";
    for (const std::string& reply : replies)
        expected += reply + "\n";
    const ProcessResult result = runProcess(garbelloPath(), {"--repl", "ignored"}, input);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

std::string error(const std::string& description) {
    return R"({"error":")" + description + R"("})";
}

// The rules and the assignment answer the protocol's own suite in process;
// here the render work is the executable's own renderer.
TEST(ReplTest, RenderRequestsReachTheRealRenderer) {
    expectConversation({R"({"operation":"render","outfit":"linen","output":"out.png"})",
                        R"({"operation":"render","outfit":"plaid","output":"/tmp/out.png"})"},
                       {error("Output must be an absolute path"), error("Unknown outfit: plaid")});
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
    expectConversation(
        {R"({"operation":"variant","padding":")" + std::string(10'000'000, 'x') + R"("})",
         std::string(100'000, '[') + std::string(100'000, ']'), deepObjects,
         R"({"operation":"variant","app":"a","windowID":7,"outfit":"linen"})"},
        {error("variant requires app, UInt32 windowID and outfit"), nested, nested,
         R"({"automatic":1,"name":"Indigo ticking","outfit":"linen","variant":1})"});
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
