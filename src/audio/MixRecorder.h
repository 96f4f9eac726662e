#pragma once

#include "audio/CueSheet.h"
#include "audio/MixTap.h"
#include "audio/RecordingFile.h"
#include "interfaces/MixOutlets.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace korvale {

// The recording of the mix: reads a tap on a worker thread of its own and writes the audio
// file, a cue sheet beside it with one track per announce(), and the optional "now playing"
// file. The file is named by the recording's start time ("KORVALE 2026-12-08 09-15-02.flac")
// and never replaces a file that exists. The cue sheet and the now-playing file are
// replaced whole at each announce(), so they are always valid.
//
// The file keeps the time of the mix: blocks the tap dropped are written as silence, so
// its length is the time the mix played while recording. A write that fails (the disk
// full ...) ends the recording: the file is finalised with what was written, the tap is
// closed, status() turns Failed with the system's words, and playback goes on untouched.
//
// start(), stop(), announce() and the destructor on the user-interface thread; see
// MixRecording.
class MixRecorder final : public MixRecording {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `tap`: the engine's recording tap, which outlives this object; `sampleRate`: the
    // output's, in frames a second; `now`: the wall clock that names the files.
    MixRecorder(MixTap& tap, int sampleRate, Clock now = &std::chrono::system_clock::now);
    ~MixRecorder() override;
    MixRecorder(const MixRecorder&) = delete;
    MixRecorder& operator=(const MixRecorder&) = delete;

    bool start(const RecordingSettings& settings, std::string* why) override;
    void stop() override;
    void announce(const OnAirClip& clip) override;
    RecordingStatus status() const override;
    void setChangeHandler(std::function<void()> handler) override;

    // The cue sheet of the present (or last) recording; empty before the first.
    std::string cueSheetPath() const;

private:
    struct Announcement {
        OnAirClip clip;
        std::uint64_t frame; // of the recording
    };

    void run();      // the worker's loop
    bool drainTap(); // false when a write failed
    bool padTo(std::uint64_t frames);
    bool takeAnnouncements(); // cue sheet and now-playing file; false when the sheet failed
    void fail();              // ends the recording on m_failure or the file's error
    void setState(RecordingState state, const std::string& reason);

    MixTap& m_tap;
    int m_sampleRate;
    Clock m_now;
    std::function<void()> m_onChange;

    // The present recording; the worker's alone while it runs.
    RecordingSettings m_settings;
    std::unique_ptr<RecordingFile> m_file;
    std::optional<CueSheet> m_cueSheet;
    std::string m_cuePath;
    std::vector<float> m_buffer;
    std::uint64_t m_framesWritten = 0;
    std::string m_failure;

    mutable std::mutex m_mutex; // guards what follows
    std::condition_variable m_wake;
    std::vector<Announcement> m_announcements;
    bool m_stopRequested = false;
    RecordingStatus m_status;

    std::atomic<std::uint64_t> m_framesSeen{0};
    std::thread m_worker;
};

} // namespace korvale
