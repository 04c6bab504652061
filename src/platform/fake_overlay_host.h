#pragma once

#include "platform/overlay_host.h"

#include <map>
#include <utility>

namespace garbello::platform {

// What the fake host knows of one overlay, kept after the overlay closes.
struct FakeOverlayRecord {
    std::uint32_t id = 0;
    Rect frame;
    std::optional<Image> image;
    int imagesSet = 0;
    std::vector<Rect> occluders;
    bool shown = false;
    std::uint32_t below = 0;
    bool closed = false;
    // When the frame and the occluders were last set, in the host's order of
    // calls.
    int framedAt = 0;
    int cutAt = 0;
};

class FakeOverlayHost final : public OverlayHost {
public:
    std::unique_ptr<Overlay> createOverlay() override {
        const std::uint32_t id = kFirstID + static_cast<std::uint32_t>(records.size());
        records[id].id = id;
        return std::make_unique<FakeOverlay>(records[id], calls_);
    }

    // Set by a test to have the next pass told that every picture was lost.
    bool lost = false;
    bool picturesLost() override { return std::exchange(lost, false); }

    // What pixelsPerPoint answers; set by a test.
    double scale = 1;
    double pixelsPerPoint() const override { return scale; }

    // By overlay id, in creation order.
    std::map<std::uint32_t, FakeOverlayRecord> records;

    // The open overlay below `windowID`, if any.
    const FakeOverlayRecord* below(std::uint32_t windowID) const {
        for (const auto& [id, record] : records)
            if (!record.closed && record.below == windowID)
                return &record;
        return nullptr;
    }

    static constexpr std::uint32_t kFirstID = 0x7000000;

private:
    class FakeOverlay final : public Overlay {
    public:
        FakeOverlay(FakeOverlayRecord& record, int& calls) : record_(record), calls_(calls) {}
        ~FakeOverlay() override { record_.closed = true; }
        void setFrame(const Rect& frame) override {
            record_.frame = frame;
            record_.framedAt = ++calls_;
        }
        void setPicture(std::shared_ptr<const Picture> picture) override {
            record_.image = picture->image;
            ++record_.imagesSet;
        }
        void setOccluders(std::vector<Rect> occluders) override {
            record_.occluders = std::move(occluders);
            record_.cutAt = ++calls_;
        }
        void showBelow(std::uint32_t windowID) override {
            record_.shown = true;
            record_.below = windowID;
        }
        void hide() override { record_.shown = false; }
        std::uint32_t id() const override { return record_.id; }

    private:
        FakeOverlayRecord& record_;
        int& calls_;
    };
    int calls_ = 0;
};

class FakeApplicationIcons final : public ApplicationIcons {
public:
    std::optional<Image> icon(std::int32_t, const std::string& applicationID,
                              std::uint32_t) override {
        ++asked;
        auto found = icons.find(applicationID);
        return found == icons.end() ? std::nullopt : std::optional(found->second);
    }

    std::map<std::string, Image> icons;
    int asked = 0;
};

} // namespace garbello::platform
