#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace garbello {

using Arguments = std::vector<std::string>;

// The streams a headless run talks through (standard input and output in the
// executable, string streams in tests).
struct HeadlessStreams {
    std::istream& in;
    std::ostream& out;
};

// Performs exactly one headless command named by arguments[0] (the option
// table below) and prints its result. Throws on failure; nothing has been
// printed on `out` then, except by --repl, which answers per request.
void runHeadless(const Arguments& arguments, HeadlessStreams streams);

// The text printed by --help, without the final line feed.
extern const char* const kHelpText;

} // namespace garbello
