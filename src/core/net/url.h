#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace garbello {

// The parts of an absolute URL the network rules look at. `scheme` is kept
// exactly as written, so "HTTPS" is not mistaken for "https".
struct UrlParts {
    std::string scheme;
    std::string host;
    bool hasUser = false;
    bool hasPassword = false;

    bool operator==(const UrlParts&) const = default;
};

// Splits an absolute URL; no value when it is not one (no scheme, stray
// spaces, malformed authority).
std::optional<UrlParts> parseUrl(std::string_view text);

// True for an absolute URL whose scheme is exactly "https" and that names a
// host: the only kind of address the program downloads from.
bool isHttpsUrl(std::string_view text);

// True for exactly "https://HOST:PORT" where HOST is 127.0.0.1, localhost or
// [::1] and PORT a number from 1 to 65535: a stand-in service on this machine,
// which is all a developer's override of a service's address may name.
bool isLoopbackHttpsOrigin(std::string_view text);

// `value` as one query item's value: the unreserved characters and the
// delimiters that mean nothing inside a value stay literal, every other byte
// becomes %XX. "&", "=", "+" and "#" are encoded so that the value can never
// add or cut query items.
std::string percentEncodedQueryValue(std::string_view value);

// The absolute `path` as a "file" URL with an empty host: every byte but the
// unreserved characters, the sub-delimiters, ":", "@" and "/" becomes %XX.
std::string fileUrl(const std::filesystem::path& path);

// The path a URL written by fileUrl names. No value for anything else: another
// scheme, a host other than "localhost", a relative path, a query or
// fragment, a stray character, a broken or NUL escape.
std::optional<std::filesystem::path> pathOfFileUrl(std::string_view text);

} // namespace garbello
