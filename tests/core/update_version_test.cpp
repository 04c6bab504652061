#include "update/update_version.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using Components = std::vector<std::int64_t>;

TEST(UpdateVersionTest, Components) {
    struct Row {
        const char* text;
        std::optional<Components> expected;
    };
    const Row rows[] = {
        {"1.2.3.4", Components{1, 2, 3, 4}},
        {"7", Components{7}},
        {"007.0010", Components{7, 10}},
        {"9223372036854775807", Components{INT64_MAX}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(UpdateVersion::components(row.text), row.expected) << row.text;
    for (const char* text : {"9223372036854775808", "1.2.3.4.5", "", "1..2", "1.2.", ".1", "v1.2",
                             "1.0-beta", "+1", "-1", " 1.2", "1.2 ", "1.٣"})
        EXPECT_EQ(UpdateVersion::components(text), std::nullopt) << text;
}

TEST(UpdateVersionTest, IsNewer) {
    struct Row {
        const char* candidate;
        const char* current;
        bool newer;
    };
    const Row rows[] = {
        {"0.4.0", "0.3.0", true},  {"0.3", "0.3.0", false},   {"0.3.0", "0.3", false},
        {"0.10", "0.9", true},     {"0.9", "0.10", false},    {"1.2.0.1", "1.2", true},
        {"1.0", "garbage", false}, {"garbage", "0.1", false}, {"1", "0.99.99.99", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(UpdateVersion::isNewer(row.candidate, row.current), row.newer)
            << row.candidate << " vs " << row.current;
}

} // namespace
} // namespace garbello
