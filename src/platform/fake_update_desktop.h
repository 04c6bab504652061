#pragma once

#include "platform/application_exit.h"
#include "platform/file_manager.h"
#include "platform/front_application.h"

#include <vector>

namespace garbello::platform {

// What the update controller needs of the desktop, as a test sets it up.
class FakeFrontApplication final : public FrontApplication {
public:
    bool fullScreen = false;
    int asked = 0;

    bool isFullScreen() override {
        ++asked;
        return fullScreen;
    }
};

class FakeFileManager final : public FileManager {
public:
    std::filesystem::path downloads;
    std::vector<std::filesystem::path> revealed;

    std::filesystem::path downloadsFolder() const override { return downloads; }
    void reveal(const std::filesystem::path& file) override { revealed.push_back(file); }
};

class FakeApplicationExit final : public ApplicationExit {
public:
    int requests = 0;

    void requestTermination() override { ++requests; }
};

} // namespace garbello::platform
