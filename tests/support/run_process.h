#pragma once

#include <string>
#include <vector>

namespace garbello::test {

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;
};

// Runs `program` with `arguments`, feeding `input` on standard input, and
// collects both output streams and the exit status (-1 when killed by a signal).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

// `text` with every "/" escaped as "\/", as the JSON line writer prints it.
std::string escapedSlashes(const std::string& text);

// The built garbello executable.
std::string garbelloPath();

} // namespace garbello::test
