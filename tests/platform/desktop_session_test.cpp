#include "platform/single_instance.h"
#include "platform/xdg_autostart.h"
#include "qt_event_loop.h"
#include "support/atomic_file.h"
#include "support/error.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

namespace garbello::platform {
namespace {

TEST(XdgAutostartTest, TheEntryStartsThisExecutableMarkedAsALoginLaunch) {
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/Garbello.app/Contents/MacOS/Garbello",
         R"(Exec=env GARBELLO_LAUNCHED_AT_LOGIN=1 "/opt/Garbello.app/Contents/MacOS/Garbello")"},
        // Quoting's own escapes, then every string's escaping of the backslash.
        {R"(/home/a b/$x"`\100%)",
         R"(Exec=env GARBELLO_LAUNCHED_AT_LOGIN=1 "/home/a b/\\$x\\"\\`\\\\100%%")"},
    };
    for (const auto& [executable, exec] : cases)
        EXPECT_NE(XdgAutostart::entryText(executable).find("\n" + exec + "\n"), std::string::npos)
            << XdgAutostart::entryText(executable);
    EXPECT_THROW(XdgAutostart::entryText("/bad\npath"), garbello::Error);
}

TEST(XdgAutostartTest, OnOnlyWhileTheEntryIsThereAndNotTurnedOffByTheDesktop) {
    test::TemporaryDirectory home;
    XdgAutostart login(home / "autostart", "/opt/Garbello.app/Contents/MacOS/Garbello");
    EXPECT_FALSE(login.enabled());
    login.setEnabled(true);
    EXPECT_TRUE(login.enabled());
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        writeFileAtomically(login.entryPath(),
                            "[Desktop Entry]\nType=Application\n" + std::string(off) + "\n");
        EXPECT_FALSE(login.enabled()) << off;
    }
    login.setEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(login.entryPath()));
    EXPECT_NO_THROW(login.setEnabled(false)) << "turning off twice is no failure";
}

TEST(XdgAutostartTest, TheLoginMarkIsReadOnceAndNotPassedOn) {
    ::setenv(XdgAutostart::kLoginLaunchVariable, "1", 1);
    EXPECT_TRUE(XdgAutostart::takeLoginLaunchMark());
    EXPECT_EQ(std::getenv(XdgAutostart::kLoginLaunchVariable), nullptr);
    EXPECT_FALSE(XdgAutostart::takeLoginLaunchMark());
}

TEST(SingleInstanceTest, ALaterStartAsksTheRunningOneToReopenAndGetsNoPlace) {
    test::ensureCoreApplication();
    test::TemporaryDirectory runtime;
    auto first = SingleInstance::claim(runtime.path());
    ASSERT_TRUE(first);
    int reopened = 0;
    first->onReopen = [&] { ++reopened; };
    EXPECT_FALSE(SingleInstance::claim(runtime.path()));
    ASSERT_TRUE(test::runEventLoopUntil([&] { return reopened == 1; }));
    // Once the first has gone, its place is free, its socket left behind or not.
    first.reset();
    EXPECT_TRUE(SingleInstance::claim(runtime.path()));
}

} // namespace
} // namespace garbello::platform
