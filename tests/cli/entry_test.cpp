#include "entry.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using Mode = EntryDecision::Mode;

TEST(EntryTest, Decision) {
    struct Row {
        Arguments process;
        EntryDecision expected;
    };
    const Row rows[] = {
        {{}, {Mode::application, {}}},
        {{"--silent"}, {Mode::application, {}}},
        {{"--update-receipt", "/r.json"}, {Mode::application, {"--update-receipt", "/r.json"}}},
        {{"--silent", "--update-receipt"}, {Mode::application, {"--update-receipt"}}},
        {{"--headless"}, {Mode::headless, {"--diagnostics"}}},
        {{"--silent", "--headless", "--silent"}, {Mode::headless, {"--diagnostics"}}},
        {{"--update-receipt", "--headless"}, {Mode::headless, {"--update-receipt"}}},
        {{"--help"}, {Mode::headless, {"--help"}}},
        {{"--render", "--headless", "linen", "--silent", "/o.png"},
         {Mode::headless, {"--render", "linen", "/o.png"}}},
        {{"--Headless"}, {Mode::headless, {"--Headless"}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(decideEntry(row.process), row.expected);
}

} // namespace
} // namespace garbello
