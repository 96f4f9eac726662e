// Time of the shuffle order alone (no list widget) for 100,000 and 1,000,000 entries.
#include "core/ShuffleOrder.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr int kRepeats = 5;

double BestSeconds(std::size_t n, std::size_t& checksum) {
    double best = 1e9;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        korvale::ClassicRand rand;
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::size_t> order = korvale::ShuffleOrder(n, rand);
        const auto stop = std::chrono::steady_clock::now();
        checksum += order.empty() ? 0 : order.front() + order.back();
        best = std::min(best, std::chrono::duration<double>(stop - start).count());
    }
    return best;
}

} // namespace

int main() {
    std::size_t checksum = 0;
    for (std::size_t n : {100000u, 1000000u}) {
        const double seconds = BestSeconds(n, checksum);
        std::printf("shuffle order of %zu entries: %.4f s (best of %d)\n", n, seconds, kRepeats);
    }
    std::printf("(checksum %zu)\n", checksum);
    return 0;
}
