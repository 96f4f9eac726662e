// Arbitrary bytes as a kept run's files: a state that reads holds sane values and reads back.
#include "core/RunStateCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RunStateReading reading = DecodeRunState(bytes);
    if (reading.state.has_value() != (reading.fault == RunStateFault::None))
        std::abort();
    if (reading.state) {
        const RunState& state = *reading.state;
        if (state.selected >= static_cast<int>(state.entries->size()) ||
            EncodeRunState(state) != bytes)
            std::abort();
    }
    if (const auto positions = NewestRunPositions(bytes)) {
        if (DecodeRunPositions(EncodeRunPositions(*positions)) != positions)
            std::abort();
    }
    return 0;
}
