#pragma once

namespace korvale {

// For its lifetime, drops what the sound libraries print to standard error while PortAudio
// probes every ALSA and JACK device it can find: pages of messages about devices that are
// not there, none of which concerns the one output KORVALE opens. The libraries' own
// reporting comes back afterwards. Also keeps the probe from starting a JACK server (unless
// JACK_NO_START_SERVER is already set). Main thread only; one at a time.
class QuietSoundProbe {
public:
    QuietSoundProbe();
    ~QuietSoundProbe();
    QuietSoundProbe(const QuietSoundProbe&) = delete;
    QuietSoundProbe& operator=(const QuietSoundProbe&) = delete;

private:
    using JackReport = void (*)(const char*);
    JackReport m_jackError = nullptr;
    JackReport m_jackInfo = nullptr;
};

} // namespace korvale
