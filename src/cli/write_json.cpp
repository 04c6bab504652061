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
    // one is exact. Most records have none and need no second copy.
    if (compact.find('/') == std::string::npos) {
        compact += '\n';
        return compact;
    }
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

std::string validUtf8(std::string_view text) {
    // The library's replacing serialiser does the decoding; reading its
    // output back gives the repaired text.
    std::string quoted =
        Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
    return Json::parse(quoted).get<std::string>();
}

void writeLine(std::string_view line, std::ostream& out) {
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.flush();
    if (!out)
        throw Error("Could not write to standard output");
}

void writeJSON(const Json& record, std::ostream& out) {
    writeLine(jsonLine(record), out);
}

} // namespace garbello
