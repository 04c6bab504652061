#pragma once

#include "support/json_decode.h"

#include <ostream>
#include <string>
#include <string_view>

namespace garbello {

// The record as one compact line: object keys sorted, no whitespace,
// integers without a fraction, forward slashes escaped as "\/", followed by a
// line feed. Throws Error when the record cannot be serialised (a string that
// is not valid UTF-8).
std::string jsonLine(const Json& record);

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD, so
// that it can always be part of a record.
std::string validUtf8(std::string_view text);

// Writes a finished line to `out` and flushes it. Throws Error when the
// stream cannot be written.
void writeLine(std::string_view line, std::ostream& out);

// Writes jsonLine(record) to `out` and flushes it, so a peer reading a pipe
// sees the reply at once. Throws Error when the stream cannot be written.
void writeJSON(const Json& record, std::ostream& out);

} // namespace garbello
