#include "core/RunStateCodec.h"

#include <cmath>

#include "core/Crc32.h"
#include "core/MixStylePresets.h"
#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr std::string_view kStateMagic{"KORVALE-RUN\n", 12};
constexpr std::string_view kPositionsMagic{"KVPS", 4};
constexpr std::uint32_t kPositionsVersion = 1;
// Magic, version, checksum of the body, length of the body.
constexpr std::size_t kStateHeaderBytes = kStateMagic.size() + 4 + 4 + 8;
constexpr std::size_t kPositionsChecksumAt = kRunPositionsRecordBytes - 4;
constexpr double kMicrosecondsPerSecond = 1e6;
// No clip plays for a year.
constexpr double kLongestPositionSeconds = 366.0 * 24 * 3600;
constexpr int kDeckNumbers = 2;

// Little-endian values appended to a string.
class RunBytesOut {
public:
    explicit RunBytesOut(std::string& out) : m_out(out) {}
    void Unsigned(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            m_out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
        }
    }
    void U8(bool value) { Unsigned(value ? 1 : 0, 1); }
    void I32(int value) { Unsigned(static_cast<std::uint32_t>(value), 4); }
    void Seconds(double seconds) {
        const double clamped = std::isfinite(seconds) ? seconds : 0.0;
        Unsigned(static_cast<std::uint64_t>(std::llround(clamped * kMicrosecondsPerSecond)), 8);
    }
    void Text(std::string_view text) {
        const char length[2] = {static_cast<char>(text.size() & 0xFFu),
                                static_cast<char>((text.size() >> 8) & 0xFFu)};
        m_out.append(length, 2);
        m_out.append(text);
    }

private:
    std::string& m_out;
};

// Little-endian values read from bytes; once a read runs past the end every later read
// gives 0 and Ok() is false.
class RunBytesIn {
public:
    explicit RunBytesIn(std::string_view in) : m_in(in) {}
    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_at == m_in.size(); }
    std::uint64_t Unsigned(int bytes) {
        if (!m_ok || m_in.size() - m_at < static_cast<std::size_t>(bytes)) {
            m_ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_in[m_at++]))
                     << (8 * i);
        }
        return value;
    }
    // A flag is 0 or 1; anything else spoils the reading.
    bool U8() {
        const std::uint64_t value = Unsigned(1);
        m_ok = m_ok && value <= 1;
        return value == 1;
    }
    int I32() { return static_cast<int>(static_cast<std::int32_t>(Unsigned(4))); }
    double Seconds() {
        return static_cast<double>(static_cast<std::int64_t>(Unsigned(8))) / kMicrosecondsPerSecond;
    }
    std::string Text() {
        const auto size = static_cast<std::size_t>(Unsigned(2));
        if (!m_ok || m_in.size() - m_at < size) {
            m_ok = false;
            return {};
        }
        std::string text(m_in.substr(m_at, size));
        m_at += size;
        return text;
    }

private:
    std::string_view m_in;
    std::size_t m_at = 0;
    bool m_ok = true;
};

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

bool PositionFits(double seconds) {
    return seconds >= 0.0 && seconds <= kLongestPositionSeconds;
}

bool FaderFits(int fader) {
    return InRange(fader, kFaderFullLevel, kFaderBottom);
}

// Whether the values are ones a run can hold; a file with others is damaged.
bool RunStateFits(const RunState& state) {
    const int count = static_cast<int>(state.entries->size());
    if (!InRange(state.selected, -1, count - 1) || !InRange(state.onAir, 0, kDeckNumbers) ||
        !InRange(state.fadingInto, 0, kDeckNumbers) ||
        !InRange(state.style.index, -1, static_cast<int>(kMixStyleCount) - 1)) {
        return false;
    }
    const std::array<std::pair<int, int>, 4> sliderRanges{
        {{kSkipLastMin, kSkipLastMax},
         {kFadeInThresholdMin, kFadeInThresholdMax},
         {kFadeSpeedMin, kFadeSpeedMax},
         {kFadeSpeedMin, kFadeSpeedMax}}};
    for (std::size_t i = 0; i < sliderRanges.size(); ++i) {
        if (!InRange(state.style.sliders[i], sliderRanges[i].first, sliderRanges[i].second)) {
            return false;
        }
    }
    for (const DeckRun& deck : state.decks) {
        if (!FitsPathLimit(deck.clip) || !FaderFits(deck.fader) || !PositionFits(deck.position)) {
            return false;
        }
    }
    for (const std::string& entry : *state.entries) {
        if (!FitsPathLimit(entry)) {
            return false;
        }
    }
    return true;
}

void EncodeStateBody(const RunState& state, RunBytesOut& out) {
    out.Unsigned(state.serial, 8);
    out.U8(state.ended);
    out.U8(state.loadNext);
    out.U8(state.mixNext);
    out.Unsigned(static_cast<std::uint64_t>(state.onAir), 1);
    out.Unsigned(static_cast<std::uint64_t>(state.fadingInto), 1);
    out.I32(state.selected);
    out.I32(state.style.index);
    for (const int slider : state.style.sliders) {
        out.I32(slider);
    }
    out.U8(state.style.waitBox);
    for (const DeckRun& deck : state.decks) {
        out.Text(deck.clip);
        out.U8(deck.playing);
        out.I32(deck.fader);
        out.Seconds(deck.position);
    }
    out.Unsigned(state.entries->size(), 4);
    for (const std::string& entry : *state.entries) {
        out.Text(entry);
    }
}

std::optional<RunState> DecodeStateBody(std::string_view body) {
    RunBytesIn in(body);
    RunState state;
    state.serial = in.Unsigned(8);
    state.ended = in.U8();
    state.loadNext = in.U8();
    state.mixNext = in.U8();
    state.onAir = static_cast<int>(in.Unsigned(1));
    state.fadingInto = static_cast<int>(in.Unsigned(1));
    state.selected = in.I32();
    state.style.index = in.I32();
    for (int& slider : state.style.sliders) {
        slider = in.I32();
    }
    state.style.waitBox = in.U8();
    for (DeckRun& deck : state.decks) {
        deck.clip = in.Text();
        deck.playing = in.U8();
        deck.fader = in.I32();
        deck.position = in.Seconds();
    }
    const std::uint64_t count = in.Unsigned(4);
    // Each entry takes at least its two length bytes: a count beyond that is damage, never
    // a reason to reserve memory.
    if (!in.Ok() || count > body.size() / 2) {
        return std::nullopt;
    }
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count && in.Ok(); ++i) {
        entries.push_back(in.Text());
    }
    if (!in.Ok() || !in.AtEnd()) {
        return std::nullopt;
    }
    state.entries = std::make_shared<const std::vector<std::string>>(std::move(entries));
    if (!RunStateFits(state)) {
        return std::nullopt;
    }
    return state;
}

RunStateReading Fault(RunStateFault fault) {
    RunStateReading reading;
    reading.fault = fault;
    return reading;
}

} // namespace

const char* RunStateFaultText(RunStateFault fault) {
    switch (fault) {
    case RunStateFault::None:
        return "read";
    case RunStateFault::Truncated:
        return "it is cut short";
    case RunStateFault::Damaged:
        return "it is damaged";
    case RunStateFault::NewerVersion:
        return "a newer version of KORVALE wrote it";
    case RunStateFault::NotAState:
        return "it is not a KORVALE run state";
    }
    return "it cannot be read";
}

std::string EncodeRunState(const RunState& state) {
    std::size_t listBytes = 0;
    for (const std::string& entry : *state.entries) {
        listBytes += 2 + entry.size();
    }
    constexpr std::size_t kFixedBodyBytes = 256; // every value but the clips and the entries
    std::string file;
    file.reserve(kStateHeaderBytes + kFixedBodyBytes + listBytes + state.decks[0].clip.size() +
                 state.decks[1].clip.size());
    // The header's checksum and length are filled in once the body stands behind it.
    file.append(kStateMagic);
    RunBytesOut out(file);
    out.Unsigned(kRunStateVersion, 4);
    const std::size_t checksumAt = file.size();
    file.append(std::size_t{4 + 8}, '\0'); // room for the checksum and the length
    EncodeStateBody(state, out);
    const std::string_view body = std::string_view(file).substr(kStateHeaderBytes);
    std::string header;
    RunBytesOut headerOut(header);
    headerOut.Unsigned(Crc32(body), 4);
    headerOut.Unsigned(body.size(), 8);
    file.replace(checksumAt, header.size(), header);
    return file;
}

RunStateReading DecodeRunState(std::string_view bytes) {
    if (bytes.substr(0, kStateMagic.size()) != kStateMagic.substr(0, bytes.size())) {
        return Fault(RunStateFault::NotAState);
    }
    if (bytes.size() < kStateHeaderBytes) {
        return Fault(RunStateFault::Truncated);
    }
    RunBytesIn header(bytes.substr(kStateMagic.size()));
    const std::uint64_t version = header.Unsigned(4);
    const std::uint64_t checksum = header.Unsigned(4);
    const std::uint64_t length = header.Unsigned(8);
    if (version > kRunStateVersion) {
        return Fault(RunStateFault::NewerVersion);
    }
    const std::string_view body = bytes.substr(kStateHeaderBytes);
    if (version < kRunStateVersion) {
        return Fault(RunStateFault::Damaged);
    }
    if (length > body.size()) {
        return Fault(RunStateFault::Truncated);
    }
    if (length != body.size() || Crc32(body) != checksum) {
        return Fault(RunStateFault::Damaged);
    }
    RunStateReading reading;
    reading.state = DecodeStateBody(body);
    reading.fault = reading.state ? RunStateFault::None : RunStateFault::Damaged;
    return reading;
}

std::string EncodeRunPositions(const RunPositions& positions) {
    std::string record;
    record.reserve(kRunPositionsRecordBytes);
    record.append(kPositionsMagic);
    RunBytesOut out(record);
    out.Unsigned(kPositionsVersion, 4);
    out.Unsigned(positions.serial, 8);
    out.Unsigned(positions.sequence, 8);
    for (const double position : positions.positions) {
        out.Seconds(position);
    }
    for (const int fader : positions.faders) {
        out.I32(fader);
    }
    record.resize(kPositionsChecksumAt, '\0');
    out.Unsigned(Crc32(record), 4);
    return record;
}

std::optional<RunPositions> DecodeRunPositions(std::string_view bytes) {
    if (bytes.size() < kRunPositionsRecordBytes) {
        return std::nullopt;
    }
    const std::string_view record = bytes.substr(0, kRunPositionsRecordBytes);
    RunBytesIn in(record.substr(kPositionsMagic.size()));
    RunPositions positions;
    const std::uint64_t version = in.Unsigned(4);
    positions.serial = in.Unsigned(8);
    positions.sequence = in.Unsigned(8);
    for (double& position : positions.positions) {
        position = in.Seconds();
    }
    for (int& fader : positions.faders) {
        fader = in.I32();
    }
    RunBytesIn checksum(record.substr(kPositionsChecksumAt));
    if (record.substr(0, kPositionsMagic.size()) != kPositionsMagic ||
        version != kPositionsVersion ||
        checksum.Unsigned(4) != Crc32(record.substr(0, kPositionsChecksumAt))) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < positions.positions.size(); ++i) {
        if (!PositionFits(positions.positions[i]) || !FaderFits(positions.faders[i])) {
            return std::nullopt;
        }
    }
    return positions;
}

std::size_t RunPositionsOffset(std::uint64_t sequence) {
    return static_cast<std::size_t>(sequence % 2) * kRunPositionsRecordBytes;
}

std::optional<RunPositions> NewestRunPositions(std::string_view file) {
    std::optional<RunPositions> newest;
    for (const std::uint64_t slot : {0, 1}) {
        const std::size_t at = RunPositionsOffset(slot);
        if (at >= file.size()) {
            break;
        }
        const std::optional<RunPositions> record = DecodeRunPositions(file.substr(at));
        if (record && (!newest || record->sequence > newest->sequence)) {
            newest = record;
        }
    }
    return newest;
}

} // namespace korvale
