#include "playlist/PlayListSteps.h"

#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"

namespace korvale {

namespace {
constexpr char kReadyText[] = "Ready";
constexpr char kEmptyListText[] = "Play List is empty";
} // namespace

bool DropSelectedEntry(CKORVALEDlg& window) {
    PlayListView* list = window.PlayListBox;
    const int index = list->SelectedIndex();
    if (index < 0) {
        return false;
    }
    list->RemoveAt(index);
    // The entry that followed now stands at the same index; after the last one there is none.
    list->Select(index < list->Count() ? index : -1);
    window.SetStatus(kReadyText);
    return list->SelectedIndex() >= 0 || list->Count() == 0;
}

std::optional<SelectedLoad> PrepareSelectedLoad(CKORVALEDlg& window) {
    const int index = window.PlayListBox->SelectedIndex();
    if (index < 0) {
        window.SetStatus(kEmptyListText);
        return std::nullopt;
    }
    window.CloseCuePlayer();
    SelectedLoad load;
    load.path = window.PlayListBox->Text(index);
    load.deckChoice = window.ChooseDeck();
    return load;
}

} // namespace korvale
