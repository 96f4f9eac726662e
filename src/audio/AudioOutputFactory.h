#pragma once

#include "audio/AudioOutput.h"

#include <memory>

namespace korvale {

// The output the program plays through: the default sound device through PortAudio,
// switching to a null output if that stream dies; a null output (48 kHz, 10 ms buffers)
// when no device can be opened. Blocks while the sound system answers. Never null.
std::unique_ptr<AudioOutput> MakeBestAudioOutput();

} // namespace korvale
