#pragma once

#include <stdexcept>
#include <string>

namespace garbello {

// Base of every error the program raises on purpose, so that one handler
// catches them all. what() is exactly the user-facing description (headless
// runs print it after "Garbello: ", the protocol answers with it, and
// controllers show it as their status text), except for InternalError.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& description) : std::runtime_error(description) {}

    std::string description() const { return what(); }
};

// An operation refused because of the file system; carries the system's own text.
class FileError : public Error {
public:
    using Error::Error;
};

// A refusal or failure inside the program whose text is for the log, not for
// the user: a library that failed, or an input refused for a reason the user
// is told in other words. Whoever catches it logs the text and reports an
// error of its own (a refused release image becomes UpdateError::download).
class InternalError : public Error {
public:
    using Error::Error;
};

} // namespace garbello
