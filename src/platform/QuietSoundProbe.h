#pragma once

namespace korvale {

// For its lifetime, drops what the sound libraries print to standard error about the
// devices that the calling thread looks for: while PortAudio probes every ALSA and JACK
// device it can find, and while the mixer looks for the default control device, pages of
// messages about devices that are not there would fill the terminal. Whether a device was
// found is for the caller to report. Also keeps the probe from starting a JACK server
// (unless JACK_NO_START_SERVER is already set).
//
// ALSA's messages go through one handler of the process, set at the first probe and kept:
// it drops those of a thread inside a probe and writes all others to standard error as ALSA
// itself does, so that what goes wrong while a device is in use (on the output's own thread
// too) is still reported. Probes nest. JACK's reporting is swapped for the probe's lifetime,
// so JACK probes belong to the main thread, one at a time.
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
