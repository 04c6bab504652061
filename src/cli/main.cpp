#include "app/application.h"
#include "entry.h"
#include "headless.h"

#include <cstdio>
#include <exception>
#include <iostream>

namespace {

int failWith(const char* description) {
    std::fprintf(stderr, "Garbello: %s\n", description);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    garbello::Arguments processArguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    auto decision = garbello::decideEntry(processArguments);
    if (decision.mode == garbello::EntryDecision::Mode::application)
        return garbello::runApplication(decision.arguments);
    try {
        garbello::runHeadless(decision.arguments, {std::cin, std::cout});
        return 0;
    } catch (const std::exception& error) {
        return failWith(error.what());
    }
}
