#pragma once

#include "interfaces/MediaVoice.h"

namespace korvale::testing {

// A player voice that forwards every call to another voice and counts the opens and closes,
// so that a test can tell one loaded clip from the next even when both have the same path.
// User-interface thread only, like the voice it wraps.
class CountingVoice final : public MediaVoice {
public:
    // `inner` is not owned and must outlive this voice.
    explicit CountingVoice(MediaVoice& inner) : m_inner(inner) {}

    bool open(const std::string& path) override;
    void close() override;
    std::string path() const override { return m_inner.path(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    double durationSeconds() const override { return m_inner.durationSeconds(); }
    double positionSeconds() const override { return m_inner.positionSeconds(); }
    VoicePlayState playState() const override { return m_inner.playState(); }
    void seek(double seconds) override { m_inner.seek(seconds); }
    void play() override { m_inner.play(); }
    void stop() override { m_inner.stop(); }
    void pause() override { m_inner.pause(); }
    void setVolume(int hundredthsOfDb) override { m_inner.setVolume(hundredthsOfDb); }

    // Number of open() calls so far: names the clip instance now loaded.
    int Opens() const { return m_opens; }
    int Closes() const { return m_closes; }

private:
    MediaVoice& m_inner;
    int m_opens = 0;
    int m_closes = 0;
};

} // namespace korvale::testing
