// The play list with 100,000 entries in a shown window: a selection by the user (which loads
// the clip on a deck), a scroll of the list, and a removal with "D" (which loads the next
// entry), each timed with the repaint it causes. Target: under 16 ms each.
#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "support/TestWindow.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"

namespace {

using BenchWindow = korvale::testing::TestWindow;

using Clock = std::chrono::steady_clock;

constexpr int kEntries = 100000;
constexpr int kRepeats = 50;
constexpr int kStride = 1999; // spreads the touched rows over the list

struct Figures {
    double total = 0.0;
    double max = 0.0;
    int count = 0;
};

template <typename Action> void Time(Figures& figures, Action action) {
    const auto start = Clock::now();
    action();
    QCoreApplication::processEvents(); // the repaint belongs to the action
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    figures.total += ms;
    figures.max = std::max(figures.max, ms);
    ++figures.count;
}

void Print(const char* what, const Figures& figures) {
    std::printf("%-8s %d times: mean %.3f ms, max %.3f ms (target < 16 ms)\n", what, figures.count,
                figures.total / figures.count, figures.max);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    BenchWindow f;
    std::vector<std::string> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        std::string path = "/home/user/Music/Collection/clip number " + std::to_string(i) + ".mp3";
        f.deck1.AddClip(path, 180.0);
        f.deck2.AddClip(path, 180.0);
        entries.push_back(std::move(path));
    }
    korvale::PlayListView* list = (*f.w).PlayListBox;
    korvale::PlayList& entriesOfCore = (*f.w).Core().Store().List();
    const auto fillStart = Clock::now();
    entriesOfCore.AppendMany(std::move(entries));
    (*f.w).show();
    QCoreApplication::processEvents();
    std::printf("append %d entries and show: %.1f ms\n", kEntries,
                std::chrono::duration<double, std::milli>(Clock::now() - fillStart).count());

    Figures select;
    Figures scroll;
    Figures remove;
    QScrollBar* bar = list->verticalScrollBar();
    for (int i = 0; i < kRepeats; ++i) {
        const int row = (i * kStride) % entriesOfCore.Count();
        Time(select, [&] {
            list->selectionModel()->setCurrentIndex(list->Model()->index(row),
                                                    QItemSelectionModel::ClearAndSelect);
        });
        Time(scroll, [&] { bar->setValue((bar->value() + bar->maximum() / 7) % bar->maximum()); });
        Time(remove, [&] { (*f.w).DeleteButton->click(); });
    }
    Print("select", select);
    Print("scroll", scroll);
    Print("remove", remove);
    std::printf("entries left: %d\n", entriesOfCore.Count());
    return 0;
}
