#include "update/update_version.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using Components = std::vector<std::int64_t>;

TEST(UpdateVersionTest, RunningVersion) {
    EXPECT_EQ(UpdateVersion::current, "0.3.0");
    EXPECT_EQ(UpdateVersion::build, 3);
}

TEST(UpdateVersionTest, Components) {
    struct Row {
        const char* text;
        std::optional<Components> expected;
    };
    const Row rows[] = {
        {"1.2.3.4", Components{1, 2, 3, 4}},
        {"0.3.0", Components{0, 3, 0}},
        {"7", Components{7}},
        {"007.0010", Components{7, 10}},
        {"9223372036854775807", Components{INT64_MAX}},
        {"9223372036854775808", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"", std::nullopt},
        {"1..2", std::nullopt},
        {"1.2.", std::nullopt},
        {".1", std::nullopt},
        {"v1.2", std::nullopt},
        {"1.0-beta", std::nullopt},
        {"+1", std::nullopt},
        {"-1", std::nullopt},
        {" 1.2", std::nullopt},
        {"1.2 ", std::nullopt},
        {"1.٣", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(UpdateVersion::components(row.text), row.expected) << row.text;
}

TEST(UpdateVersionTest, IsNewer) {
    struct Row {
        const char* candidate;
        const char* current;
        bool newer;
    };
    const Row rows[] = {
        {"0.4.0", "0.3.0", true},  {"0.3", "0.3.0", false},   {"0.3.0", "0.3", false},
        {"0.10", "0.9", true},     {"0.9", "0.10", false},    {"1.2", "1.2.0", false},
        {"1.2.0.1", "1.2", true},  {"1.0", "garbage", false}, {"garbage", "0.1", false},
        {"0.2.9", "0.3.0", false}, {"1", "0.99.99.99", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(UpdateVersion::isNewer(row.candidate, row.current), row.newer)
            << row.candidate << " vs " << row.current;
}

} // namespace
} // namespace garbello
