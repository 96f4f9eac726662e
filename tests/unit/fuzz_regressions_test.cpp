// Inputs the fuzz targets (tests/fuzz) found faults with, from tests/fuzz/regressions/.
#include "decode/DecoderFactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvale {
namespace {

// A damaged MPEG stream whose frame index sends a seek to the middle past the clip's end.
// The decoder took the frames left to read as negative, read them as a huge count and let
// the library write past the caller's buffer: a guard zone behind the frames asked for
// must stay as it was.
TEST(FuzzRegression, Mp3SeekPastTheIndexedEndReadsNothingAndStaysInBounds) {
    auto opened =
        OpenDecoder(KORVALE_SOURCE_DIR "/tests/fuzz/regressions/mp3-seek-lands-past-length.mp3");
    ASSERT_EQ(opened.status, DecoderOpenStatus::Ok);
    Decoder& decoder = *opened.decoder;
    const std::int64_t length = decoder.lengthFrames();
    ASSERT_GT(length, 0);
    constexpr std::size_t kFrames = 1024, kGuard = 4096;
    std::vector<float> buffer;
    const auto read = [&] {
        buffer.assign(kFrames * Decoder::kChannels + kGuard, 12345.0f);
        return decoder.read(buffer.data(), kFrames);
    };
    for (const std::int64_t target : {length / 2, std::int64_t{0}, length, length + 1}) {
        decoder.seek(target);
        EXPECT_LE(read(), kFrames) << target;
        EXPECT_EQ(std::count(buffer.end() - kGuard, buffer.end(), 12345.0f), long(kGuard))
            << target;
    }
    decoder.seek(0); // whatever the index said, the clip still plays from the start
    EXPECT_GT(read(), 0u);
}

} // namespace
} // namespace korvale
