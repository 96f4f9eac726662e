#include "audio/AudioOutputFactory.h"

#include "audio/FailoverOutput.h"
#include "audio/NullOutput.h"
#include "audio/PortAudioOutput.h"

#include <cstdio>
#include <string>

namespace korvale {

namespace {

constexpr int kFallbackRate = 48000;
constexpr std::size_t kFallbackBuffer = 480;

} // namespace

std::unique_ptr<AudioOutput> MakeBestAudioOutput() {
    std::string failure;
    if (auto device = PortAudioOutput::OpenDefault(&failure)) {
        return std::make_unique<FailoverOutput>(std::move(device));
    }
    std::fprintf(stderr, "KORVALE: the sound output did not open (%s); nothing will be heard.\n",
                 failure.c_str());
    return std::make_unique<NullOutput>(kFallbackRate, kFallbackBuffer);
}

} // namespace korvale
