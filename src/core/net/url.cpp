#include "net/url.h"

#include <curl/curl.h>

#include <memory>

namespace garbello {
namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::optional<std::string> part(CURLU* handle, CURLUPart which) {
    char* value = nullptr;
    if (curl_url_get(handle, which, &value, 0) != CURLUE_OK)
        return std::nullopt;
    std::string text(value);
    curl_free(value);
    return text;
}

} // namespace

std::optional<UrlParts> parseUrl(std::string_view text) {
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    UrlHandle handle(curl_url());
    if (!handle)
        return std::nullopt;
    // Unknown schemes still parse so that callers can refuse them by name.
    if (curl_url_set(handle.get(), CURLUPART_URL, std::string(text).c_str(),
                     CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    UrlParts parts;
    parts.scheme = std::string(text.substr(0, colon));
    // libcurl reads "https:///path" as naming the host "path"; a reader of
    // the text sees no host there, and neither do we.
    std::string_view rest = text.substr(colon + 1);
    bool namesAuthority = rest.starts_with("//") && rest.size() > 2 && rest[2] != '/' &&
                          rest[2] != '?' && rest[2] != '#';
    if (namesAuthority)
        parts.host = part(handle.get(), CURLUPART_HOST).value_or("");
    parts.hasUser = part(handle.get(), CURLUPART_USER).has_value();
    parts.hasPassword = part(handle.get(), CURLUPART_PASSWORD).has_value();
    return parts;
}

bool isHttpsUrl(std::string_view text) {
    auto parts = parseUrl(text);
    return parts && parts->scheme == "https" && !parts->host.empty();
}

bool isLoopbackHttpsOrigin(std::string_view text) {
    for (std::string_view host : {"https://127.0.0.1:", "https://localhost:", "https://[::1]:"}) {
        if (!text.starts_with(host))
            continue;
        const std::string_view port = text.substr(host.size());
        if (port.empty() || port.size() > 5 || port.front() == '0' ||
            port.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        return std::stoi(std::string(port)) <= 65535;
    }
    return false;
}

namespace {

bool isAlphanumeric(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isLiteralInQueryValue(unsigned char c) {
    constexpr std::string_view kLiteralPunctuation = "-._~!$'()*,;:@/?";
    return isAlphanumeric(c) ||
           kLiteralPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

bool isLiteralInPath(unsigned char c) {
    constexpr std::string_view kLiteralPunctuation = "-._~!$&'()*+,;=:@/";
    return isAlphanumeric(c) ||
           kLiteralPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

template <typename IsLiteral>
std::string percentEncoded(std::string_view value, IsLiteral isLiteral) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size());
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (isLiteral(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHexDigits[c >> 4];
            encoded += kHexDigits[c & 0xF];
        }
    }
    return encoded;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string percentEncodedQueryValue(std::string_view value) {
    return percentEncoded(value, isLiteralInQueryValue);
}

std::string fileUrl(const std::filesystem::path& path) {
    return "file://" + percentEncoded(path.native(), isLiteralInPath);
}

std::optional<std::filesystem::path> pathOfFileUrl(std::string_view text) {
    constexpr std::string_view kScheme = "file://";
    if (!text.starts_with(kScheme))
        return std::nullopt;
    text.remove_prefix(kScheme.size());
    std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    std::string_view host = text.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return std::nullopt;
    std::string_view encoded = text.substr(slash);
    std::string decoded;
    decoded.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        auto c = static_cast<unsigned char>(encoded[i]);
        if (c != '%') {
            if (!isLiteralInPath(c))
                return std::nullopt;
            decoded += encoded[i];
            continue;
        }
        int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return std::filesystem::path(decoded);
}

} // namespace garbello
