// Shuffling the play list and advancing to its next entry.
#include <QApplication>
#include <QPushButton>

#include <string>
#include <utility>
#include <vector>

#include "platform/Dialogs.h"
#include "playlist/ShuffleOrder.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"

namespace korvale {

namespace {

constexpr char kShuffleDoneStatus[] = "Ready";
constexpr char kShuffleDoneCaption[] = "Shuffled OK";

std::string ShuffleDoneText(int count) {
    return "Load Next & Mix Next are ubchecked\nPlease select the next theme\n[ " +
           std::to_string(count) + " themes suffled ]";
}

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void CKORVALEDlg::ShufflePlayList() {
    int count = 0;
    {
        const WaitCursor waitCursor;
        PlayListBox->hide();
        ShuffleScratchList->Clear();

        // The order is that of drawing, entry by entry, one of the remaining entries from
        // the window's one random stream; computed without erasing from a list. The entries
        // move out of the emptied list and back in their new order, never copied.
        std::vector<std::string> entries = PlayListBox->TakeAll();
        const std::vector<std::size_t> order = ShuffleOrder(entries.size(), m_rand);
        std::vector<std::string> shuffled;
        shuffled.reserve(entries.size());
        for (const std::size_t oldIndex : order) {
            shuffled.push_back(std::move(entries[oldIndex]));
        }
        PlayListBox->ReplaceAll(std::move(shuffled)); // selects nothing
        ShuffleScratchList->Clear();

        SetCheckedSilently(LoadNextCheck, false);
        SetCheckedSilently(MixNextCheck, false);
        count = PlayListBox->Count();
        PlayListBox->show();
    }
    SetStatus(kShuffleDoneStatus);
    if (count >= 1 && m_services.dialogs != nullptr) {
        m_services.dialogs->messageBox(this, ShuffleDoneText(count), kShuffleDoneCaption,
                                       MessageIcon::Information, MessageButtons::Ok);
    }
}

void CKORVALEDlg::AdvancePlayList() {
    const int selected = PlayListBox->SelectedIndex();
    if (selected < 0) {
        return;
    }
    const int count = PlayListBox->Count();
    PlayListBox->Select(selected >= count - 1 ? 0 : selected + 1);
    LoadSelectedClip();
}

} // namespace korvale
