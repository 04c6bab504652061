#include "write_json.h"

#include <gtest/gtest.h>

#include <sstream>

namespace garbello {
namespace {

TEST(WriteJsonTest, CompactSortedOneLine) {
    const std::pair<Json, std::string> rows[] = {
        {Json{{"b", 1}, {"a", true}, {"c", false}}, R"({"a":true,"b":1,"c":false})"},
        {Json{{"file", "/tmp/out/a.png"}}, R"({"file":"\/tmp\/out\/a.png"})"},
        {Json{{"bytes", 123456789012LL}, {"neg", -3}}, R"({"bytes":123456789012,"neg":-3})"},
        {Json{{"nested", {{"z", Json::array({1, "x/y"})}, {"Z", nullptr}}}},
         R"({"nested":{"Z":null,"z":[1,"x\/y"]}})"},
        {Json{{"text", "quote\" back\\ line\n °C —"}},
         "{\"text\":\"quote\\\" back\\\\ line\\n °C —\"}"},
        {Json{{"f", 0.5}}, R"({"f":0.5})"},
        {Json::object(), "{}"},
    };
    for (const auto& [record, line] : rows)
        EXPECT_EQ(jsonLine(record), line + "\n");
}

TEST(WriteJsonTest, InvalidUtf8IsAnErrorNotGarbage) {
    Json record = {{"bad", std::string("\xff\xfe")}};
    EXPECT_THROW(jsonLine(record), Error);
    std::ostringstream out;
    EXPECT_THROW(writeJSON(record, out), Error);
    EXPECT_EQ(out.str(), "");
}

TEST(WriteJsonTest, ValidUtf8ReplacesOnlyWhatIsNotUtf8) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain °C — text", "plain °C — text"},
        {"", ""},
        {"a\xff!", "a\uFFFD!"},
        {"cut \xc3", "cut \uFFFD"},
        {std::string("nul\0kept", 9), std::string("nul\0kept", 9)},
    };
    for (const auto& [text, repaired] : rows) {
        EXPECT_EQ(validUtf8(text), repaired) << text;
        EXPECT_NO_THROW(jsonLine({{"error", validUtf8(text)}}));
    }
}

} // namespace
} // namespace garbello
