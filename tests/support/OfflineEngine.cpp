#include "support/OfflineEngine.h"

#include <cmath>

namespace korvale::testing {

OfflineEngine::OfflineEngine(int sampleRate, std::size_t framesPerBuffer,
                             std::chrono::milliseconds idleStop)
    : m_sampleRate(sampleRate) {
    auto output = std::make_unique<OfflineOutput>(sampleRate, framesPerBuffer);
    m_output = output.get();
    m_engine = std::make_unique<AudioEngine>(std::move(output), idleStop);
}

std::vector<float> OfflineEngine::renderSeconds(double seconds) {
    return render(static_cast<std::size_t>(std::llround(seconds * m_sampleRate)));
}

} // namespace korvale::testing
