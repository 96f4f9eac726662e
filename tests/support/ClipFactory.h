#pragma once

#include <string>
#include <vector>

namespace korvale::testing {

// Sample formats of the WAV files written by WriteSineWav.
enum class WavFormat { Pcm16, Float32 };

// MP3 encodings: constant or variable bit rate, with or without the LAME/Xing info frame
// (which carries the length and the encoder delay and padding).
enum class Mp3Mode { Cbr, Vbr, CbrNoTag, VbrNoTag };

// Writes a sine tone as a WAV file. Returns false when the file cannot be written.
bool WriteSineWav(const std::string& path, double seconds, double freqHz, int sampleRate,
                  double amplitude, int channels = 2, WavFormat format = WavFormat::Pcm16);

// Writes a sine tone (amplitude 0.5, stereo) as an MP3 file with LAME; a constant bit rate
// is `cbrKbps` kbit/s.
bool WriteSineMp3(const std::string& path, double seconds, double freqHz, int sampleRate,
                  Mp3Mode mode, int cbrKbps = 128);

// Writes mono `samples` at `sampleRate` in a libsndfile format (SF_FORMAT_* major | minor).
bool WriteMonoClip(const std::string& path, int sfFormat, int sampleRate,
                   const std::vector<float>& samples);

// Writes `bytes` as a file (for broken and hostile inputs).
bool WriteBytes(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// `count` pseudo-random bytes from a fixed seed.
std::string RandomBytes(std::size_t count, unsigned seed);
// What a shell command writes to its output and errors, without the last line breaks.
std::string CommandOutput(const std::string& command);

} // namespace korvale::testing
