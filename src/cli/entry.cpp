#include "entry.h"

#include <algorithm>

namespace garbello {

EntryDecision decideEntry(const Arguments& processArguments) {
    bool headless = std::find(processArguments.begin(), processArguments.end(), "--headless") !=
                    processArguments.end();
    Arguments arguments;
    std::copy_if(processArguments.begin(), processArguments.end(), std::back_inserter(arguments),
                 [](const std::string& argument) {
                     return argument != "--headless" && argument != "--silent";
                 });

    if (!headless && (arguments.empty() || arguments.front() == "--update-receipt"))
        return {EntryDecision::Mode::application, std::move(arguments)};
    if (arguments.empty())
        arguments.push_back("--diagnostics");
    return {EntryDecision::Mode::headless, std::move(arguments)};
}

} // namespace garbello
