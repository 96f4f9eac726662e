#include "audio/PortAudioOutput.h"

#include "audio/AudioRenderer.h"
#include "platform/QuietSoundProbe.h"

#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace korvale {

namespace {

constexpr int kStreamChannels = 2;
constexpr double kBuffersPerSecond = 100.0; // 10 ms buffers
constexpr double kMinLatencySeconds = 0.1;
constexpr auto kDetachWait = std::chrono::milliseconds(200);
constexpr auto kDetachPoll = std::chrono::milliseconds(1);

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* user) {
    const bool more =
        static_cast<PortAudioOutput*>(user)->fillBuffer(static_cast<float*>(output), frames);
    return more ? paContinue : paAbort;
}

} // namespace

struct PortAudioOutput::Session {
    Session() {
        // Initialising probes every device; only the default output matters, and a fault
        // in opening it is reported below.
        const QuietSoundProbe quiet;
        error = Pa_Initialize();
    }
    ~Session() {
        if (ok()) {
            Pa_Terminate();
        }
    }
    bool ok() const { return error == paNoError; }
    PaError error;
};

std::unique_ptr<PortAudioOutput> PortAudioOutput::OpenDefault(std::string* failure) {
    const auto fail = [failure](const std::string& why) {
        if (failure != nullptr) {
            *failure = why;
        }
        return nullptr;
    };
    auto session = std::make_unique<Session>();
    if (!session->ok()) {
        return fail(std::string("PortAudio: ") + Pa_GetErrorText(session->error));
    }
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (info == nullptr || info->maxOutputChannels < kStreamChannels) {
        return fail("no default stereo output device");
    }
    const int rate = static_cast<int>(std::lround(info->defaultSampleRate));
    const auto frames = static_cast<std::size_t>(std::lround(rate / kBuffersPerSecond));
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = kStreamChannels;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = std::max(info->defaultLowOutputLatency, kMinLatencySeconds);
    std::unique_ptr<PortAudioOutput> output(
        new PortAudioOutput(std::move(session), nullptr, rate, frames));
    PaStream* stream = nullptr;
    if (const PaError error =
            Pa_OpenStream(&stream, nullptr, &params, rate, static_cast<unsigned long>(frames),
                          paClipOff, &StreamCallback, output.get());
        error != paNoError) {
        return fail(std::string(info->name) + ": " + Pa_GetErrorText(error));
    }
    output->m_stream = stream;
    return output;
}

PortAudioOutput::PortAudioOutput(std::unique_ptr<Session> session, void* stream, int sampleRate,
                                 std::size_t framesPerBuffer)
    : m_session(std::move(session)), m_stream(stream), m_sampleRate(sampleRate),
      m_framesPerBuffer(framesPerBuffer) {}

PortAudioOutput::~PortAudioOutput() {
    stop();
    if (m_stream != nullptr) {
        Pa_CloseStream(m_stream);
    }
}

bool PortAudioOutput::start(AudioRenderer& renderer) {
    if (m_stream == nullptr || m_started) {
        return m_started;
    }
    m_renderer = &renderer;
    // A stream that was stopped (not abandoned) renders again.
    m_detached.store(false, std::memory_order_seq_cst);
    m_started = Pa_StartStream(m_stream) == paNoError;
    return m_started;
}

void PortAudioOutput::stop() {
    if (!m_started) {
        return;
    }
    detach();
    Pa_AbortStream(m_stream);
    m_started = false;
}

bool PortAudioOutput::streamActive() const {
    return m_stream != nullptr && Pa_IsStreamActive(m_stream) == 1;
}

void PortAudioOutput::detach() {
    m_detached.store(true, std::memory_order_seq_cst);
    const auto deadline = std::chrono::steady_clock::now() + kDetachWait;
    while (m_inCallback.load(std::memory_order_seq_cst) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kDetachPoll);
    }
}

bool PortAudioOutput::fillBuffer(float* out, std::size_t frames) noexcept {
    m_inCallback.store(true, std::memory_order_seq_cst);
    if (m_detached.load(std::memory_order_seq_cst)) {
        std::fill_n(out, frames * kStreamChannels, 0.0f);
        m_inCallback.store(false, std::memory_order_seq_cst);
        return false;
    }
    m_renderer->render(out, frames);
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    m_inCallback.store(false, std::memory_order_seq_cst);
    return true;
}

} // namespace korvale
