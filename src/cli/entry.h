#pragma once

#include "headless.h"

namespace garbello {

// What the process does, decided once from the command line before anything
// else starts.
struct EntryDecision {
    enum class Mode { application, headless };

    Mode mode = Mode::application;
    // The arguments without the program name and without every --headless
    // and --silent; for a headless run, what runHeadless receives.
    Arguments arguments;
};

EntryDecision decideEntry(const Arguments& processArguments);

} // namespace garbello
