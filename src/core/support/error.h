#pragma once

#include <stdexcept>
#include <string>

namespace garbello {

// Base of every error the program raises on purpose. what() is exactly the
// user-facing description: headless runs print it after "Garbello: ", the
// protocol answers with it, and controllers show it as their status text.
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

} // namespace garbello
