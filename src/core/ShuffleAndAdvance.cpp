#include "core/ShuffleAndAdvance.h"

#include <string>
#include <utility>
#include <vector>

#include "core/Korvale.h"
#include "core/ShuffleOrder.h"
#include "interfaces/Dialogs.h"

namespace korvale {

namespace {

constexpr char kShuffleDoneStatus[] = "Ready";
constexpr char kShuffleDoneCaption[] = "Shuffled OK";

std::string ShuffleDoneText(int count) {
    return "Load Next & Mix Next are ubchecked\nPlease select the next theme\n[ " +
           std::to_string(count) + " themes suffled ]";
}

} // namespace

ShuffleAndAdvance::ShuffleAndAdvance(Korvale& core, Dialogs* dialogs)
    : m_core(core), m_dialogs(dialogs) {}

void ShuffleAndAdvance::ShufflePlayList() {
    PlayList& list = m_core.Store().List();
    m_core.Host().BeginBusy();
    // The order is that of drawing, entry by entry, one of the remaining entries from the
    // one random stream; computed without erasing from a list. The entries move out of the
    // emptied list and back in their new order, never copied.
    std::vector<std::string> entries = list.TakeAll();
    const std::vector<std::size_t> order = ShuffleOrder(entries.size(), m_rand);
    std::vector<std::string> shuffled;
    shuffled.reserve(entries.size());
    for (const std::size_t oldIndex : order) {
        shuffled.push_back(std::move(entries[oldIndex]));
    }
    list.ReplaceAll(std::move(shuffled)); // selects nothing
    m_core.ReleaseToggles();
    const int count = list.Count();
    m_core.Host().EndBusy();

    m_core.SetStatus(kShuffleDoneStatus);
    if (count >= 1 && m_dialogs != nullptr) {
        m_dialogs->messageBox(ShuffleDoneText(count), kShuffleDoneCaption, MessageIcon::Information,
                              MessageButtons::Ok);
    }
}

void ShuffleAndAdvance::AdvancePlayList() {
    PlayList& list = m_core.Store().List();
    const int selected = list.SelectedIndex();
    if (selected < 0) {
        return;
    }
    const int count = list.Count();
    list.Select(selected >= count - 1 ? 0 : selected + 1);
    m_core.Store().LoadSelectedClip();
}

} // namespace korvale
