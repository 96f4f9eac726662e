#include "platform/AudioOutputFactory.h"

#include "platform/FailoverOutput.h"
#include "platform/NullOutput.h"
#include "platform/PortAudioOutput.h"

namespace korvale {

namespace {

constexpr int kFallbackRate = 48000;
constexpr std::size_t kFallbackBuffer = 480;

} // namespace

std::unique_ptr<AudioOutput> MakeBestAudioOutput() {
    if (auto device = PortAudioOutput::OpenDefault()) {
        return std::make_unique<FailoverOutput>(std::move(device));
    }
    return std::make_unique<NullOutput>(kFallbackRate, kFallbackBuffer);
}

} // namespace korvale
