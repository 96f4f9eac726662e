// "S" on a long play list: the shuffle with the list widget emptied and refilled, on the
// offscreen platform, for 100,000 and 1,000,000 entries. Reference: the scratch-list
// algorithm done directly (draw, take entry r, erase it) on 100,000 indices.
#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/ClassicRand.h"
#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "support/TestWindow.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"

namespace {

using BenchWindow = korvale::testing::TestWindow;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start, Clock::time_point stop) {
    return std::chrono::duration<double>(stop - start).count();
}

std::vector<std::string> Entries(std::size_t n) {
    std::vector<std::string> entries;
    entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        entries.push_back("/home/listener/Music/Artist " + std::to_string(i % 997) + "/Track " +
                          std::to_string(i) + ".mp3");
    }
    return entries;
}

double ScratchListSeconds(std::size_t n) {
    std::vector<int> scratch(n);
    for (std::size_t i = 0; i < n; ++i) {
        scratch[i] = static_cast<int>(i);
    }
    korvale::ClassicRand rand;
    std::vector<int> order;
    order.reserve(n);
    const auto start = Clock::now();
    while (!scratch.empty()) {
        const int m = static_cast<int>(scratch.size());
        int r = rand.Next();
        while (r >= m) {
            r = rand.Next();
        }
        order.push_back(scratch[static_cast<std::size_t>(r)]);
        scratch.erase(scratch.begin() + r);
    }
    const double seconds = Seconds(start, Clock::now());
    std::printf("  (reference order checksum %d)\n", order.front() + order.back());
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    constexpr std::size_t kReferenceSize = 100000;
    const double reference = ScratchListSeconds(kReferenceSize);
    std::printf("scratch-list algorithm, %zu entries (reference): %.3f s\n", kReferenceSize,
                reference);

    constexpr int kRepeats = 5;
    for (const std::size_t n : {std::size_t{100000}, std::size_t{1000000}}) {
        double best = 1e9;
        double bestDrawn = 1e9;
        int count = 0;
        bool messageShown = false;
        for (int repeat = 0; repeat < kRepeats; ++repeat) {
            BenchWindow f;
            (*f.w).Core().Store().List().AppendMany(Entries(n));
            QApplication::processEvents();

            const auto start = Clock::now();
            (*f.w).ShuffleButton->click();
            const auto shuffled = Clock::now();
            QApplication::processEvents(); // the list shown again and redrawn
            const auto drawn = Clock::now();

            best = std::min(best, Seconds(start, shuffled));
            bestDrawn = std::min(bestDrawn, Seconds(start, drawn));
            count = (*f.w).Core().List().Count();
            messageShown = !f.dialogs.messages.empty();
        }
        std::printf("shuffle of %zu entries with the list refilled: %.4f s (%.4f s with the "
                    "redraw), best of %d",
                    n, best, bestDrawn, kRepeats);
        if (n == kReferenceSize) {
            std::printf("; %.0fx faster than the reference; target <= 0.1 s", reference / best);
        }
        std::printf("\n  entries after: %d, message: %s\n", count, messageShown ? "shown" : "none");
    }
    return 0;
}
