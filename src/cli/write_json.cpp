#include "write_json.h"

namespace garbello {

std::string jsonLine(const Json& record) {
    std::string compact;
    try {
        compact = record.dump(-1, ' ', false, Json::error_handler_t::strict);
    } catch (const Json::exception& error) {
        throw Error(std::string("Could not serialise the result: ") + error.what());
    }
    // A slash can only occur inside a string in JSON text, so escaping every
    // one is exact.
    std::string line;
    line.reserve(compact.size() + 8);
    for (char c : compact) {
        if (c == '/')
            line += '\\';
        line += c;
    }
    line += '\n';
    return line;
}

void writeJSON(const Json& record, std::ostream& out) {
    std::string line = jsonLine(record);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.flush();
    if (!out)
        throw Error("Could not write to standard output");
}

} // namespace garbello
