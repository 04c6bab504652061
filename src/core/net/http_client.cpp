#include "net/http_client.h"

#include "net/url.h"
#include "support/unique_handle.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace garbello {
namespace {

// Enough for any sane chain of moved resources; a loop ends here.
constexpr int kMaximumRedirects = 10;
// Longest sleep of the transfer loop. libcurl runs the transfer callback on
// each turn, so a stop request is seen this soon even from a silent server
// (left to itself, libcurl calls it about once a second then).
constexpr int kLongestPollMilliseconds = 100;

using Easy = UniqueHandle<CURL*, curl_easy_cleanup>;
using Multi = UniqueHandle<CURLM*, curl_multi_cleanup>;
using HeaderList = UniqueHandle<curl_slist*, curl_slist_free_all>;

void initialiseLibcurlOnce() {
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialised;
}

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

// The body's destination; a temporary file is removed unless handed over.
class BodySink {
public:
    explicit BodySink(HttpBodyTarget target) {
        if (target == HttpBodyTarget::memory)
            return;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "garbello-transfer-XXXXXX").string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            throw HttpError(HttpError::Kind::file, "Could not create a download file: " +
                                                       std::string(std::strerror(errno)));
        file_ = pattern;
    }
    BodySink(const BodySink&) = delete;
    BodySink& operator=(const BodySink&) = delete;
    ~BodySink() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!file_.empty())
            ::unlink(file_.c_str());
    }

    // Drops what an earlier hop of a redirect chain delivered.
    void reset() {
        body_.clear();
        if (fd_ >= 0 && (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0))
            error_ = errno;
    }

    bool append(const char* data, std::size_t size) {
        if (fd_ < 0) {
            body_.append(data, size);
            return true;
        }
        while (size > 0) {
            ssize_t written = ::write(fd_, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                error_ = errno;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    void handOver(HttpResponse& response) {
        if (fd_ < 0) {
            response.body = std::move(body_);
            return;
        }
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throw HttpError(HttpError::Kind::file,
                            "Could not store the download: " + std::string(std::strerror(errno)));
        response.file = file_;
        file_.clear();
    }

    int error() const { return error_; }

private:
    int fd_ = -1;
    std::filesystem::path file_;
    std::string body_;
    int error_ = 0;
};

// State the libcurl callbacks share during one hop.
struct Hop {
    Hop(const HttpRequest& request, CURL* curl, BodySink& sink)
        : request(request), curl(curl), sink(sink) {}

    const HttpRequest& request;
    CURL* curl;
    BodySink& sink;
    bool hasLocation = false;
    bool isRedirect = false;
    std::int64_t received = 0;
    std::optional<HttpError> refusal;
    bool cancelled = false;

    std::int64_t announced() const {
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        return length;
    }

    void refuseTooLarge() {
        refusal = HttpError(HttpError::Kind::tooLarge, "The answer is larger than allowed");
    }
};

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto& hop = *static_cast<Hop*>(context);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        hop.hasLocation = false;
    } else if (startsWithCaseless(line, "location:")) {
        hop.hasLocation = true;
    } else if (line == "\r\n" || line == "\n") {
        long status = 0;
        curl_easy_getinfo(hop.curl, CURLINFO_RESPONSE_CODE, &status);
        hop.isRedirect = isRedirectStatus(status) && hop.hasLocation;
        if (!hop.isRedirect && hop.announced() > hop.request.byteLimit) {
            hop.refuseTooLarge();
            return 0;
        }
    }
    return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& hop = *static_cast<Hop*>(context);
    std::size_t length = size * count;
    if (hop.isRedirect)
        return length; // the body of a redirect is never the resource
    if (hop.received + static_cast<std::int64_t>(length) > hop.request.byteLimit) {
        hop.refuseTooLarge();
        return 0;
    }
    if (!hop.sink.append(data, length))
        return 0;
    hop.received += static_cast<std::int64_t>(length);
    if (hop.request.progress)
        hop.request.progress(hop.received, hop.announced());
    return length;
}

int onTransfer(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& hop = *static_cast<Hop*>(context);
    hop.cancelled = hop.request.stop.stop_requested();
    return hop.cancelled ? 1 : 0; // non-zero aborts the transfer
}

template <typename Value> void set(CURL* curl, CURLoption option, Value value) {
    if (curl_easy_setopt(curl, option, value) != CURLE_OK)
        throw HttpError(HttpError::Kind::transfer,
                        "The network library refused an option: " + std::to_string(option));
}

void configure(CURL* curl, const HttpRequest& request, curl_slist* headers, char* errorText) {
    set(curl, CURLOPT_ERRORBUFFER, errorText);
    set(curl, CURLOPT_NOSIGNAL, 1L);
    set(curl, CURLOPT_PROTOCOLS_STR, "https");
    // Redirects are followed by hand so that each target is checked first;
    // libcurl is told the same rule in case it ever follows one itself.
    set(curl, CURLOPT_FOLLOWLOCATION, 0L);
    set(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    set(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    set(curl, CURLOPT_HTTPGET, 1L);
    set(curl, CURLOPT_HTTPHEADER, headers);
    set(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.requestTimeout.count()));
    // No byte for requestTimeout counts as a stalled transfer.
    set(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(curl, CURLOPT_LOW_SPEED_TIME,
        std::max(1L, static_cast<long>(
                         std::chrono::ceil<std::chrono::seconds>(request.requestTimeout).count())));
    set(curl, CURLOPT_FORBID_REUSE, 1L);
    set(curl, CURLOPT_NOPROGRESS, 0L);
    if (request.caFile)
        set(curl, CURLOPT_CAINFO, request.caFile->c_str());
}

std::string describe(CURLcode code, const char* errorText) {
    return errorText[0] != '\0' ? std::string(errorText) : std::string(curl_easy_strerror(code));
}

// Runs one hop's transfer through a multi handle, so that the loop never
// sleeps longer than kLongestPollMilliseconds and a stop request wakes it at
// once. Returns libcurl's result for the transfer.
CURLcode perform(CURL* curl, const std::stop_token& stop) {
    Multi multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK)
        throw HttpError(HttpError::Kind::transfer, "The network library could not start");
    struct Attached {
        CURLM* multi;
        CURL* curl;
        ~Attached() { curl_multi_remove_handle(multi, curl); }
    } attached{multi.get(), curl};
    std::stop_callback wake(stop, [&multi] { curl_multi_wakeup(multi.get()); });
    for (;;) {
        int running = 0;
        CURLMcode status = curl_multi_perform(multi.get(), &running);
        if (status == CURLM_OK && running == 0) {
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued))
                if (message->msg == CURLMSG_DONE && message->easy_handle == curl)
                    return message->data.result;
            throw HttpError(HttpError::Kind::transfer, "The transfer ended without a result");
        }
        if (status == CURLM_OK)
            status = curl_multi_poll(multi.get(), nullptr, 0, kLongestPollMilliseconds, nullptr);
        if (status != CURLM_OK)
            throw HttpError(HttpError::Kind::transfer, curl_multi_strerror(status));
    }
}

} // namespace

HttpResponse httpGet(const HttpRequest& request) {
    if (!isHttpsUrl(request.url))
        throw HttpError(HttpError::Kind::insecureUrl, "Only https addresses are fetched");
    initialiseLibcurlOnce();
    Easy curl(curl_easy_init());
    if (!curl)
        throw HttpError(HttpError::Kind::transfer, "The network library could not start");
    HeaderList headers;
    for (const std::string& line : request.headers) {
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (!extended)
            throw HttpError(HttpError::Kind::transfer, "Could not build the request headers");
        // `extended` heads the whole list, the earlier lines included.
        headers.release();
        headers.reset(extended);
    }
    char errorText[CURL_ERROR_SIZE] = {};
    configure(curl.get(), request, headers.get(), errorText);

    BodySink sink(request.target);
    auto deadline = std::chrono::steady_clock::now() + request.resourceTimeout;
    std::string url = request.url;
    for (int hops = 0; hops <= kMaximumRedirects; ++hops) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw HttpError(HttpError::Kind::transfer, "The download took too long");
        Hop hop(request, curl.get(), sink);
        sink.reset();
        errorText[0] = '\0';
        set(curl.get(), CURLOPT_URL, url.c_str());
        set(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        set(curl.get(), CURLOPT_HEADERFUNCTION, onHeader);
        set(curl.get(), CURLOPT_HEADERDATA, &hop);
        set(curl.get(), CURLOPT_WRITEFUNCTION, onBody);
        set(curl.get(), CURLOPT_WRITEDATA, &hop);
        set(curl.get(), CURLOPT_XFERINFOFUNCTION, onTransfer);
        set(curl.get(), CURLOPT_XFERINFODATA, &hop);
        CURLcode code = perform(curl.get(), request.stop);
        // A refusal or stop of ours stands over libcurl's report of the
        // aborted transfer.
        if (hop.cancelled)
            throw HttpError(HttpError::Kind::cancelled, "The request was cancelled");
        if (hop.refusal)
            throw *hop.refusal;
        if (sink.error() != 0)
            throw HttpError(HttpError::Kind::file, "Could not store the download: " +
                                                       std::string(std::strerror(sink.error())));
        if (code != CURLE_OK)
            throw HttpError(HttpError::Kind::transfer, describe(code, errorText));

        if (hop.isRedirect) {
            char* next = nullptr;
            curl_easy_getinfo(curl.get(), CURLINFO_REDIRECT_URL, &next);
            if (!next || !isHttpsUrl(next))
                throw HttpError(HttpError::Kind::insecureRedirect,
                                "A redirect would have left https");
            url = next;
            continue;
        }
        HttpResponse response;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &response.status);
        char* effective = nullptr;
        curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &effective);
        response.finalUrl = effective ? effective : url;
        sink.handOver(response);
        return response;
    }
    throw HttpError(HttpError::Kind::transfer, "Too many redirects");
}

} // namespace garbello
