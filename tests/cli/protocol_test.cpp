#include "diagnostics.h"
#include "headless_error.h"
#include "protocol.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace garbello {
namespace {

// Stands in for the renderer and the settings harness: notes what each was
// asked, one line a call, and writes nothing.
std::vector<std::string> workDone;

Json recordRender(const std::string& outfit, const std::string& output, ClothVariant variant) {
    workDone.push_back("render " + outfit + " " + output + " " +
                       std::to_string(variant.rawValue()));
    return {{"file", output}, {"outfit", outfit}, {"bytes", 1}, {"variant", variant.rawValue()}};
}

void recordScreen(const std::string& screen, bool dark, const std::filesystem::path& output) {
    workDone.push_back("screen " + screen + (dark ? " dark " : " light ") + output.string());
}

const ProtocolWork kRecordingWork{
    recordRender, recordScreen,
    [](const std::filesystem::path& directory) -> std::vector<std::filesystem::path> {
        return {directory / "one.png", directory / "two.png"};
    },
    []() -> std::vector<std::string> {
        return {"First check", "Second check"};
    }};

// The reply record, or {"error": description} when the request fails.
Json reply(const Json& request) {
    try {
        return perform(request, kRecordingWork);
    } catch (const std::exception& error) {
        return {{"error", error.what()}};
    }
}

Json reply(const char* request) {
    return reply(Json::parse(request));
}

Json error(const std::string& description) {
    return {{"error", description}};
}

void expectReplies(const std::vector<std::pair<std::string, Json>>& exchanges) {
    for (const auto& [request, expected] : exchanges)
        EXPECT_EQ(reply(request.c_str()), expected) << request;
}

Json decision(const char* outfit, const std::string& reason) {
    return {{"outfit", outfit}, {"reason", reason}};
}

TEST(ProtocolTest, ParseVariantAcceptsOnlyWholeNumbersZeroToNine) {
    const std::pair<Json, int> accepted[] = {
        {Json(3.0), 3},
        {Json(0), 0},
        {Json(9), 9},
        {Json(-0.0), 0},
    };
    for (const auto& [value, variant] : accepted)
        EXPECT_EQ(parseVariant(value).rawValue(), variant) << value;

    Json rejected = Json::parse(
        R"([3.5, true, "3", -1, 10, 10.0, -1.0, 9.000001, 18446744073709551615, null, [3]])");
    rejected.push_back(std::numeric_limits<double>::quiet_NaN());
    rejected.push_back(std::numeric_limits<double>::infinity());
    for (const Json& value : rejected) {
        try {
            parseVariant(value);
            ADD_FAILURE() << "accepted " << value;
        } catch (const HeadlessError& error) {
            EXPECT_STREQ(error.what(), "variant must be an integer from 0 to 9");
        }
    }
}

TEST(ProtocolTest, OperationNamesAreExact) {
    const Json unknown = error("Unknown operation");
    expectReplies({
        {R"({})", unknown},
        {R"({"operation": 5})", unknown},
        {R"({"operation": "Outfit"})", unknown},
        {R"({"op": "diagnostics"})", unknown},
    });
    // The record the command line prints (its form is the command line's test).
    EXPECT_EQ(reply(R"({"operation": "diagnostics", "extra": [1]})"), diagnostics());
}

// The end-to-end tests cover the documented edge cases; these add the type
// and ordering cases around them.
TEST(ProtocolTest, OutfitValidatesInOrderAndFillsTheSnapshot) {
    const Json needs = error("outfit requires temperature and weatherCode");
    const Json probability = error("precipitationProbability must be between 0 and 100");
    const Json month = error("month must be 1...12");
    auto outfit = [](const std::string& keys) { return R"({"operation":"outfit",)" + keys + "}"; };
    expectReplies({
        {outfit(R"("weatherCode":0)"), needs},
        {outfit(R"("temperature":"18","weatherCode":0)"), needs},
        {outfit(R"("temperature":18,"weatherCode":0.0)"), needs},
        {outfit(R"("temperature":18,"weatherCode":18446744073709551615)"), needs},
        {outfit(R"("weatherCode":0,"precipitationProbability":500)"), needs},
        {outfit(R"("temperature":18,"weatherCode":0,"precipitationProbability":null)"),
         probability},
        {outfit(R"("temperature":18,"weatherCode":0,"precipitationProbability":101,"month":13)"),
         probability},
        {outfit(R"("temperature":18,"weatherCode":0,"month":4,"precipitationProbability":0)"),
         decision("linen", "mild and dry, 18°C")},
        {outfit(R"("temperature":18,"weatherCode":0,"month":0)"), month},
        {outfit(R"("temperature":18,"weatherCode":0,"month":18446744073709551615)"), month},
        {outfit(R"("temperature":18,"weatherCode":0,"month":13,"override":"plaid")"), month},
        {outfit(R"("temperature":18,"weatherCode":0,"month":7.0)"),
         decision("linen", "mild and dry, 18°C")},
        {outfit(R"("temperature":18,"weatherCode":0,"override":"")"),
         error("Unknown outfit override: ")},
        // Optional numbers default to the temperature, to 0 and to 45° north.
        {outfit(R"("temperature":18,"weatherCode":0,"month":7,"latitude":"south")"),
         decision("hawaiian", "a dry summer day, 18°C")},
        {outfit(R"("temperature":20,"weatherCode":3,"apparentTemperature":15.9)"),
         decision("sweater", "cool and dry; feels like 16°C")},
        {outfit(R"("temperature":20,"weatherCode":3,"apparentTemperature":"cold")"),
         decision("linen", "mild and dry, 20°C")},
        {outfit(R"("temperature":20,"weatherCode":3,"rain":0.2)"),
         decision("rainJacket", "rain or drizzle, 20°C")},
        {outfit(R"("temperature":20,"weatherCode":3,"snowfall":1)"),
         decision("snowGear", "snow or ice, 20°C")},
        {outfit(R"("temperature":20,"weatherCode":3,"precipitation":1,"windSpeed":300)"),
         decision("rainJacket", "rain or drizzle, 20°C")},
    });
}

TEST(ProtocolTest, OutfitRefusesAnInfiniteTemperatureButNotOtherInfinities) {
    // JSON text cannot carry infinities; records built in memory can.
    const double infinity = std::numeric_limits<double>::infinity();
    auto request = [](const char* key, double value) {
        Json json = {{"operation", "outfit"}, {"temperature", 20}, {"weatherCode", 3}};
        json[key] = value;
        return json;
    };
    EXPECT_EQ(reply(request("temperature", -infinity)),
              error("outfit requires temperature and weatherCode"));
    EXPECT_EQ(reply(request("precipitationProbability", infinity)),
              error("precipitationProbability must be between 0 and 100"));
    EXPECT_EQ(reply(request("apparentTemperature", -infinity)),
              decision("snowGear", "freezing conditions; feels like —"));
}

TEST(ProtocolTest, VariantValidatesIdentityAndOverride) {
    const Json needs = error("variant requires app, UInt32 windowID and outfit");
    const Json badVariant = error("variant must be an integer from 0 to 9");
    auto variant = [](const std::string& keys) {
        return R"({"operation":"variant",)" + keys + "}";
    };
    auto chosen = [](const char* outfit, int variant, const char* name, int automatic) {
        return Json{
            {"outfit", outfit}, {"variant", variant}, {"name", name}, {"automatic", automatic}};
    };
    expectReplies({
        {variant(R"("app":"com.apple.Safari","windowID":43,"outfit":"snowGear","override":5.0)"),
         chosen("snowGear", 5, "Copper expedition", 1)},
        {variant(R"("app":"com.apple.finder","windowID":1,"outfit":"linen")"),
         chosen("linen", 9, "Sand ladder", 9)},
        {variant(R"("app":"x","windowID":4294967295,"outfit":"linen")"),
         chosen("linen", 8, "Olive checks", 8)},
        {variant(R"("app":"x","windowID":0,"outfit":"linen")"),
         chosen("linen", 1, "Indigo ticking", 1)},
        {variant(R"("app":"x","windowID":1.0,"outfit":"linen")"), needs},
        {variant(R"("app":"x","windowID":1e30,"outfit":"linen")"), needs},
        {variant(R"("app":"x","windowID":18446744073709551615,"outfit":"linen")"), needs},
        {variant(R"("app":"x","windowID":1)"), needs},
        {variant(R"("app":"","windowID":1,"outfit":"linen")"), needs},
        {variant(R"("windowID":1,"outfit":"linen")"), needs},
        {variant(R"("app":"x","windowID":1,"outfit":"linen","override":10)"), badVariant},
        {variant(R"("app":"x","windowID":1,"outfit":"linen","override":null)"), badVariant},
        {variant(R"("app":"x","windowID":-1,"outfit":"linen","override":10)"), needs},
    });
}

TEST(ProtocolTest, RenderValidatesBeforeHandingTheWorkOn) {
    const Json needs = error("render requires outfit and absolute output");
    workDone.clear();
    expectReplies({
        {R"({"operation": "render", "output": "/tmp/a.png"})", needs},
        {R"({"operation": "render", "outfit": "linen"})", needs},
        {R"({"operation": "render", "outfit": "linen", "output": 5})", needs},
        {R"({"operation": "render", "outfit": "linen", "output": "/tmp/a.png",
             "variant": 3.5})",
         error("variant must be an integer from 0 to 9")},
    });
    EXPECT_TRUE(workDone.empty()) << "the work ran for an invalid request";

    EXPECT_EQ(reply(R"({"operation": "render", "outfit": "plaid", "output": "rel.png"})"),
              (Json{{"file", "rel.png"}, {"outfit", "plaid"}, {"bytes", 1}, {"variant", 0}}));
    reply(R"({"operation": "render", "outfit": "linen", "output": "/o.png", "variant": 7.0})");
    EXPECT_EQ(workDone,
              (std::vector<std::string>{"render plaid rel.png 0", "render linen /o.png 7"}));
}

TEST(ProtocolTest, SettingsWindowOperationsValidateAndNameWhatIsMissing) {
    const Json renderUI = error("renderUI requires absolute output directory");
    const Json screen = error("renderUIScreen requires screen, dark boolean, and absolute output");
    workDone.clear();
    expectReplies({
        {R"({"operation": "renderUI"})", renderUI},
        {R"({"operation": "renderUI", "output": "relative/dir"})", renderUI},
        {R"({"operation": "renderUI", "output": "/tmp/ui"})",
         {{"files", {"/tmp/ui/one.png", "/tmp/ui/two.png"}}, {"headless", true}}},
        {R"({"operation": "renderUIScreen", "screen": "general", "dark": true})", screen},
        {R"({"operation": "renderUIScreen", "screen": "general", "dark": "true",
             "output": "/x.png"})",
         screen},
        {R"({"operation": "renderUIScreen", "screen": "general", "dark": false,
             "output": "x.png"})",
         screen},
        {R"({"operation": "renderUIScreen", "screen": "setup-9:any", "dark": true,
             "output": "/x.png"})",
         {{"file", "/x.png"}, {"headless", true}}},
        {R"({"operation": "testUI", "extra": 1})",
         {{"checks", {"First check", "Second check"}}, {"headless", true}}},
    });
    // The screen name is the harness's to judge; only the valid request reaches it.
    EXPECT_EQ(workDone, std::vector<std::string>{"screen setup-9:any dark /x.png"});
}

TEST(ProtocolTest, EveryLineGetsExactlyOneWellFormedReply) {
    const std::string corrupt =
        "{\"error\":\"The data couldn’t be read because it isn’t in the correct format: ";
    // A line, and how its reply starts.
    const std::pair<std::string, std::string> cases[] = {
        {"", corrupt + "[json.exception.parse_error.101] parse error at line 1, column 1"},
        {"[1, 2]", R"({"error":"Expected a JSON object"})"},
        {"\"operation\"", corrupt + "the top level is not an object or an array"},
        {"{\"operation\": \"testUI\"} trailing", corrupt},
        {"{\"operation\": \"\xff\"}", corrupt},
        {std::string("{\"a\":\0}", 7), corrupt},
        // The whole line is the request, also after a NUL byte.
        {std::string("{\"operation\":\"diagnostics\"}\0garbage", 35),
         corrupt + "parse error at line 1, column 28: syntax error while parsing value - "
                   "unexpected NUL byte; expected end of input"},
        {std::string("{\"operation\":\"diagnostics\"}\n \0", 30),
         corrupt + "parse error at line 2, column 2"},
        {"{\"operation\": \"outfit\", \"operation\": \"testUI\"}",
         R"({"checks":["First check","Second check"],"headless":true})"},
        {std::string(600, '[') + std::string(600, ']'), corrupt + "arrays and objects are nested"},
        {R"({"operation":"variant","app":"x","windowID":1234567890123456789012345,"outfit":"x"})",
         R"({"error":"variant requires app, UInt32 windowID and outfit"})"},
    };
    for (const auto& [request, expectedStart] : cases) {
        std::string line = answerLine(request, kRecordingWork);
        EXPECT_TRUE(line.starts_with(expectedStart)) << request << "\n" << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line, ended";
        // The reply itself is valid UTF-8 JSON.
        EXPECT_NO_THROW(Json::parse(line)) << line;
    }
}

TEST(ProtocolTest, ServingAnswersEachLineInOrderAndStopsWhenOutputFails) {
    std::istringstream in("{\"operation\":\"renderUI\"}\r\n\n[]\n{\"operation\":\"nope\"}");
    std::ostringstream out;
    serveRequests(in, out);
    // The carriage return goes with the line end; the last line needs none.
    std::string expected;
    for (const char* line : {"{\"operation\":\"renderUI\"}", "", "[]", "{\"operation\":\"nope\"}"})
        expected += answerLine(line);
    EXPECT_EQ(out.str(), expected);

    std::istringstream more("{}\n{}\n");
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_THROW(serveRequests(more, broken), Error);
}

} // namespace
} // namespace garbello
