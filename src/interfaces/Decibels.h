#pragma once

#include <cmath>

namespace korvale {

// Decibels of amplitude: 20 dB per factor of ten.
inline constexpr double kDbPerDecade = 20.0;
// Gains and volumes are given in hundredths of a dB across the program (the decks' volumes,
// the faders, the loudness match).
inline constexpr int kHundredthsPerDb = 100;

// The amplitude factor of a gain in dB (0 dB = 1, -20 dB = 0.1). Pure; any thread.
inline double GainOfDb(double db) {
    return std::pow(10.0, db / kDbPerDecade);
}

// The amplitude factor of a gain in hundredths of a dB (0 = 1, -2000 = 0.1). Pure; any
// thread, the audio output's included (no allocation, no lock).
inline double GainOfHundredthsOfDb(int hundredths) {
    return std::pow(10.0, hundredths / (kHundredthsPerDb * kDbPerDecade));
}

// The gain in dB of an amplitude factor above 0. Pure; any thread.
inline double DbOfGain(double gain) {
    return kDbPerDecade * std::log10(gain);
}

} // namespace korvale
