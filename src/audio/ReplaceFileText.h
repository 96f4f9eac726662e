#pragma once

#include <string>

namespace korvale {

// Replaces the file at `path` with `text` whole: the text goes to a temporary file in the
// same folder, is synced, and is renamed over `path`, so a reader sees the old content or
// the new, never a part. Blocks on the disk; any thread but the audio output's. False, with
// `why` in plain words, when it could not (the temporary file is removed then).
bool ReplaceFileText(const std::string& path, const std::string& text, std::string* why);

} // namespace korvale
