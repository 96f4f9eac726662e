#include "decode/Mpg123Decoder.h"

#include "interfaces/AsciiText.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace korvale {

namespace {

constexpr std::size_t kBytesPerFrame = sizeof(float) * Decoder::kChannels;
// A clip must decode at least this many MPEG frames in a row to count as MPEG audio:
// random bytes can hold a plausible frame header or two, never a chain of them.
constexpr int kMinValidFrames = 3;
// Lowest plausible MPEG audio bit rate (8 kbit/s, as bytes a second): a scan that claims
// more seconds than the file's size allows at this rate (plus some slack) is rejected.
constexpr double kMinBytesPerSecond = 8000.0 / 8.0;
constexpr double kMaxSecondsSlack = 2.0;
constexpr long kSeekPrerollFrames = 12;
constexpr std::size_t kStreamBufferBytes = 64 * 1024;
constexpr char kReplayGainTrackKey[] = "replaygain_track_gain"; // in any case
// A tagged gain beyond this is taken for a broken tag.
constexpr double kMaxReplayGainDb = 60.0;

ssize_t ReadStream(void* handle, void* buffer, size_t bytes) {
    auto* file = static_cast<std::FILE*>(handle);
    const size_t got = std::fread(buffer, 1, bytes, file);
    if (got == 0 && std::ferror(file) != 0) {
        return -1;
    }
    return static_cast<ssize_t>(got);
}

off_t SeekStream(void* handle, off_t offset, int whence) {
    auto* file = static_cast<std::FILE*>(handle);
    std::clearerr(file);
    return fseeko(file, offset, whence) == 0 ? ftello(file) : -1;
}

// Checks the stream's first frames: they must decode as a chain of valid frames.
// The ReplayGain track gain of the ID3v2 tag that the scan has read, e.g. "-6.48 dB".
std::optional<double> ReadReplayGain(mpg123_handle* mh) {
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(mh, &v1, &v2) != MPG123_OK || v2 == nullptr) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < v2->extras; ++i) {
        const mpg123_text& extra = v2->extra[i];
        if (extra.description.p == nullptr || extra.text.p == nullptr) {
            continue;
        }
        const std::string_view key(extra.description.p,
                                   strnlen(extra.description.p, extra.description.fill));
        if (!EqualsAnyCase(key, kReplayGainTrackKey)) {
            continue;
        }
        std::string_view text(extra.text.p, strnlen(extra.text.p, extra.text.fill));
        // Written with a decimal point whatever the user's language, so read without the
        // locale. The reader takes no plus sign: one is allowed before the number.
        if (text.starts_with('+')) {
            text.remove_prefix(1);
        }
        double gain = 0.0;
        const auto read = std::from_chars(text.data(), text.data() + text.size(), gain);
        if (read.ec == std::errc() && std::isfinite(gain) && std::fabs(gain) <= kMaxReplayGainDb) {
            return gain;
        }
    }
    return std::nullopt;
}

bool DecodesRealFrames(mpg123_handle* mh) {
    int frames = 0;
    for (int i = 0; i < kMinValidFrames * 4 && frames < kMinValidFrames; ++i) {
        off_t num = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int rc = mpg123_decode_frame(mh, &num, &audio, &bytes);
        if (rc == MPG123_OK && bytes > 0) {
            ++frames;
        } else if (rc == MPG123_NEW_FORMAT) {
            continue;
        } else if (rc == MPG123_DONE) {
            break;
        } else if (rc != MPG123_OK) {
            return false;
        }
    }
    return frames > 0;
}

} // namespace

void Mpg123Decoder::HandleDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_close(handle);
    mpg123_delete(handle);
}

DecoderOpenResult Mpg123Decoder::Open(UniqueFd fd) {
    DecoderOpenResult result;
    result.status = DecoderOpenStatus::NoAudio;

    int err = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &err));
    if (!handle) {
        return result;
    }
    mpg123_handle* mh = handle.get();
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0.0);
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_FUZZY, 0.0);
    // A seek must refill the bit reservoir (up to 511 bytes back, several small VBR frames)
    // before the target frame decodes; the library's default preroll is too short for that.
    mpg123_param(mh, MPG123_PREFRAMES, kSeekPrerollFrames, 0.0);
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i) {
        mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
    }
    File file(fdopen(fd.get(), "rb"));
    if (!file) {
        return result;
    }
    const int rawFd = fd.release(); // now owned by the stream
    std::setvbuf(file.get(), nullptr, _IOFBF, kStreamBufferBytes);
    if (mpg123_replace_reader_handle(mh, &ReadStream, &SeekStream, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh, file.get()) != MPG123_OK) {
        return result;
    }
    if (mpg123_scan(mh) != MPG123_OK) {
        return result;
    }
    const off_t length = mpg123_length(mh);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (length <= 0 || mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK ||
        rate <= 0 || encoding != MPG123_ENC_FLOAT_32) {
        return result;
    }
    struct stat st {};
    if (fstat(rawFd, &st) == 0) {
        // A true MPEG stream never runs longer than its size at the lowest bit rate.
        const double seconds = static_cast<double>(length) / static_cast<double>(rate);
        if (seconds > static_cast<double>(st.st_size) / kMinBytesPerSecond + kMaxSecondsSlack) {
            return result;
        }
    }
    if (!DecodesRealFrames(mh)) {
        return result;
    }
    if (mpg123_seek(mh, 0, SEEK_SET) < 0) {
        return result;
    }
    const std::optional<double> replayGain = ReadReplayGain(mh);
    result.status = DecoderOpenStatus::Ok;
    auto* decoder =
        new Mpg123Decoder(std::move(file), std::move(handle), static_cast<int>(rate), length);
    decoder->m_replayGain = replayGain;
    result.decoder.reset(decoder);
    return result;
}

Mpg123Decoder::Mpg123Decoder(File file, Handle handle, int rate, std::int64_t length)
    : m_file(std::move(file)), m_handle(std::move(handle)), m_rate(rate), m_length(length) {}

Mpg123Decoder::~Mpg123Decoder() = default;

std::size_t Mpg123Decoder::read(float* out, std::size_t frames) {
    if (m_failed) {
        return 0;
    }
    // A damaged stream's index can put the position past the scanned end: nothing is left.
    const std::int64_t left = std::max<std::int64_t>(0, m_length - m_position);
    frames =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(frames), left));
    std::size_t got = 0;
    int newFormatRetries = 0;
    while (got < frames) {
        size_t done = 0;
        const int rc =
            mpg123_read(m_handle.get(), reinterpret_cast<unsigned char*>(out + got * kChannels),
                        (frames - got) * kBytesPerFrame, &done);
        got += done / kBytesPerFrame;
        if (rc == MPG123_NEW_FORMAT && newFormatRetries++ < 2) {
            continue;
        }
        if (rc != MPG123_OK || done == 0) {
            // End of stream, a read error, a truncated frame or a format change mid-stream:
            // the clip ends with what decoded.
            if (rc != MPG123_DONE && rc != MPG123_OK) {
                m_failed = true;
            }
            break;
        }
    }
    m_position += static_cast<std::int64_t>(got);
    return got;
}

bool Mpg123Decoder::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, m_length);
    const off_t at = mpg123_seek(m_handle.get(), static_cast<off_t>(frame), SEEK_SET);
    if (at < 0) {
        m_failed = true;
        return false;
    }
    m_failed = false;
    // A damaged stream's frame index can land beyond the end the scan found; reads then
    // return nothing rather than run on.
    m_position = std::min<std::int64_t>(at, m_length);
    return true;
}

} // namespace korvale
