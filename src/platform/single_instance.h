#pragma once

#include "support/file_descriptor.h"

#include <filesystem>
#include <functional>
#include <memory>

class QLocalServer;

namespace garbello::platform {

// One running application per user: the first start holds a lock in the
// runtime folder and listens beside it; a later start finds the lock taken,
// tells the running one to reopen, and ends. Main thread only.
class SingleInstance {
public:
    // The place in `folder` ($XDG_RUNTIME_DIR) when no other instance holds
    // it; otherwise the holder is asked to reopen and nullptr comes back.
    static std::unique_ptr<SingleInstance> claim(const std::filesystem::path& folder);
    // The user's runtime folder.
    static std::filesystem::path runtimeFolder();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Called on the main thread each time a later start asks to reopen.
    std::function<void()> onReopen;

private:
    SingleInstance(FileDescriptor lock, const std::filesystem::path& socket);

    FileDescriptor lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace garbello::platform
