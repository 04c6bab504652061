#pragma once

#include <utility>

namespace garbello {

// Sole owner of one C library resource (a curl easy handle, a cairo surface, an
// OpenSSL key, an archive reader, a file descriptor): released exactly once, by
// `Release`, when the owner goes or is reset. `Null` is the value that owns
// nothing: nullptr for pointers, -1 for descriptors. Move-only, so a resource
// can be handed from a worker to its caller without a second release.
//
//     using Curl = UniqueHandle<CURL*, curl_easy_cleanup>;
//     using FileDescriptor = UniqueHandle<int, ::close, -1>;
template <typename Handle, auto Release, Handle Null = Handle{}> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Null; }

    // Gives up ownership without releasing.
    Handle release() { return std::exchange(handle_, Null); }

    // Releases what is owned now and takes `handle` instead.
    void reset(Handle handle = Null) {
        Handle old = std::exchange(handle_, handle);
        if (old != Null)
            Release(old);
    }

private:
    Handle handle_ = Null;
};

} // namespace garbello
