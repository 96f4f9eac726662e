#pragma once

#include "decode/Decoder.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale {

// Opens the clip at `path` with the decoder that its content calls for (the file name
// does not matter: a WAV named ".mp3" opens as WAV). Blocks while the clip is scanned for
// its exact length. Never throws; a path that is missing, not a regular file, unreadable
// or undecodable gives the matching status and no decoder.
DecoderOpenResult OpenDecoder(const std::string& path);

// How many bytes at a file's start tell its container.
inline constexpr std::size_t kContainerMagicBytes = 4;
// Whether a file starting with `head` (its first kContainerMagicBytes bytes) is in a container
// that libsndfile reads; everything else is tried as MPEG audio.
bool IsSoundFileContainer(std::string_view head);

} // namespace korvale
