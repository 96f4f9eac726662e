#pragma once

#include "decode/Decoder.h"

#include <string>

namespace korvale {

// Opens the clip at `path` with the decoder that its content calls for (the file name
// does not matter: a WAV named ".mp3" opens as WAV). Blocks while the clip is scanned for
// its exact length. Never throws; a path that is missing, not a regular file, unreadable
// or undecodable gives the matching status and no decoder.
DecoderOpenResult OpenDecoder(const std::string& path);

} // namespace korvale
