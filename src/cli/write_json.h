#pragma once

#include "support/json_decode.h"

#include <ostream>
#include <string>

namespace garbello {

// The record as one compact line: object keys sorted, no whitespace,
// integers without a fraction, forward slashes escaped as "\/", followed by a
// line feed. Throws Error when the record cannot be serialised (a string that
// is not valid UTF-8).
std::string jsonLine(const Json& record);

// Writes jsonLine(record) to `out` and flushes it, so a peer reading a pipe
// sees the reply at once. Throws Error when the stream cannot be written.
void writeJSON(const Json& record, std::ostream& out);

} // namespace garbello
