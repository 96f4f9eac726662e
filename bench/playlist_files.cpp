// Saving and reading a ZTL play list of 100,000 entries through the main window, with the
// list filled; beside each, the same bytes written (and flushed to disc) or read plainly as
// a reference measured in the same run.
#include <QApplication>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"

namespace {

using BenchWindow = korvale::testing::TestWindow;

constexpr std::size_t kEntries = 100000;
constexpr int kRepeats = 5;
constexpr int kZtlFilter = 1;
constexpr double kTargetSeconds = 0.1;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> MakeEntries() {
    std::vector<std::string> entries;
    entries.reserve(kEntries);
    for (std::size_t i = 0; i < kEntries; ++i) {
        entries.push_back("/home/someone/Music/Artist " + std::to_string(i % 977) + "/Album " +
                          std::to_string(i % 31) + "/" + std::to_string(i) + " - Title.mp3");
    }
    return entries;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    korvale::testing::TempDir dir;
    const std::string path = dir.file("big.ztl");
    const std::string reference = dir.file("reference.bin");

    BenchWindow f;
    korvale::CKORVALEDlg& w = (*f.w);
    const std::vector<std::string> entries = MakeEntries();
    w.Core().Store().List().AppendMany(entries);

    double bestWrite = 1e9;
    double bestRead = 1e9;
    double bestPlainWrite = 1e9;
    double bestPlainRead = 1e9;
    std::size_t bytes = 0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        Clock::time_point start = Clock::now();
        const int written = w.Core().Files().WritePlayListFile(path, kZtlFilter);
        bestWrite = std::min(bestWrite, Since(start));
        if (written != 0) {
            std::printf("the save failed\n");
            return 1;
        }

        w.Core().Store().List().Clear();
        start = Clock::now();
        w.Core().Files().ReadZtlFile(path);
        bestRead = std::min(bestRead, Since(start));
        if (w.Core().List().Count() != static_cast<int>(kEntries)) {
            std::printf("read back %d entries\n", w.Core().List().Count());
            return 1;
        }

        // Reference: the same bytes through a plain stream, without encoding or decoding.
        std::ifstream in(path, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        bytes = content.size();
        start = Clock::now();
        {
            const int fd = ::open(reference.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const bool ok = fd >= 0 && ::write(fd, content.data(), content.size()) ==
                                           static_cast<ssize_t>(content.size());
            if (fd >= 0) {
                ::fsync(fd);
                ::close(fd);
            }
            if (!ok) {
                std::printf("the reference write failed\n");
                return 1;
            }
        }
        bestPlainWrite = std::min(bestPlainWrite, Since(start));
        start = Clock::now();
        {
            std::string copy(content.size(), '\0');
            std::ifstream again(reference, std::ios::binary);
            again.read(copy.data(), static_cast<std::streamsize>(copy.size()));
            bytes += copy.size() - content.size();
        }
        bestPlainRead = std::min(bestPlainRead, Since(start));
    }

    std::printf("ZTL play list of %zu entries, %zu bytes (best of %d):\n", kEntries, bytes,
                kRepeats);
    std::printf("  save (encode, write, flush to disc, rename): %.4f s  (target <= %.1f s; "
                "plain write and flush %.4f s, ratio %.1f)\n",
                bestWrite, kTargetSeconds, bestPlainWrite, bestWrite / bestPlainWrite);
    std::printf("  read (read, decode, append to the list):     %.4f s  (target <= %.1f s; "
                "plain read %.4f s, ratio %.1f)\n",
                bestRead, kTargetSeconds, bestPlainRead, bestRead / bestPlainRead);
    return 0;
}
