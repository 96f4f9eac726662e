#pragma once

#include <string>
#include <vector>

#include "interfaces/MixOutlets.h"

namespace korvale::testing {

// Records what the settings window asks of the stream; its status is set by the test.
struct FakeBroadcast : MixBroadcast {
    struct Start {
        BroadcastSettings settings;
        std::string password;
    };
    std::vector<Start> starts;
    int stops = 0;
    BroadcastStatus shown;
    std::function<void()> handler;
    std::vector<std::string> announced; // the display names, in turn

    void start(const BroadcastSettings& s, const std::string& p) override {
        starts.push_back({s, p});
    }
    void stop() override { ++stops; }
    void announce(const OnAirClip& clip) override { announced.push_back(clip.displayName); }
    BroadcastStatus status() const override { return shown; }
    void setChangeHandler(std::function<void()> h) override { handler = std::move(h); }
};

// Records what the settings window asks of the recording; refuses with `refusal` if set.
struct FakeRecording : MixRecording {
    std::vector<RecordingSettings> starts;
    int stops = 0;
    std::string refusal;
    RecordingStatus shown;
    std::vector<std::string> announced; // the display names, in turn
    std::function<void()> handler;

    bool start(const RecordingSettings& s, std::string* why) override {
        starts.push_back(s);
        *why = refusal;
        return refusal.empty();
    }
    void stop() override { ++stops; }
    void announce(const OnAirClip& clip) override { announced.push_back(clip.displayName); }
    RecordingStatus status() const override { return shown; }
    void setChangeHandler(std::function<void()> h) override { handler = std::move(h); }
};

struct FakeSecrets : SecretStore {
    std::string kept;
    std::string read() override { return kept; }
    bool write(const std::string& secret, std::string*) override {
        kept = secret;
        return true;
    }
    std::string where() const override { return "a test's memory"; }
};

} // namespace korvale::testing
