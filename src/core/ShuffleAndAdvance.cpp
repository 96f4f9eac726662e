#include "core/ShuffleAndAdvance.h"

#include <string>
#include <utility>
#include <vector>

#include "core/CoreHost.h"
#include "core/MixToggles.h"
#include "core/PlayList.h"
#include "core/PlayListLoads.h"
#include "core/ShuffleOrder.h"
#include "core/StatusLine.h"
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

ShuffleAndAdvance::ShuffleAndAdvance(Dialogs* dialogs, PlayList& list, CoreHost& host,
                                     StatusLine& status, MixToggles& toggles, PlayListLoads& loads)
    : m_dialogs(dialogs), m_list(list), m_host(host), m_status(status), m_toggles(toggles),
      m_loads(loads) {}

void ShuffleAndAdvance::ShufflePlayList() {
    m_host.BeginBusy();
    // The order is that of drawing, entry by entry, one of the remaining entries from the
    // one random stream; computed without erasing from a list. The entries move out of the
    // emptied list and back in their new order, never copied.
    std::vector<std::string> entries = m_list.TakeAll();
    const std::vector<std::size_t> order = ShuffleOrder(entries.size(), m_rand);
    std::vector<std::string> shuffled;
    shuffled.reserve(entries.size());
    for (const std::size_t oldIndex : order) {
        shuffled.push_back(std::move(entries[oldIndex]));
    }
    m_list.ReplaceAll(std::move(shuffled)); // selects nothing
    m_toggles.ReleaseToggles();
    const int count = m_list.Count();
    m_host.EndBusy();

    m_status.SetStatus(kShuffleDoneStatus);
    if (count >= 1 && m_dialogs != nullptr) {
        m_dialogs->messageBox(ShuffleDoneText(count), kShuffleDoneCaption, MessageIcon::Information,
                              MessageButtons::Ok);
    }
}

void ShuffleAndAdvance::AdvancePlayList() {
    const int selected = m_list.SelectedIndex();
    if (selected < 0) {
        return;
    }
    const int count = m_list.Count();
    m_list.Select(selected >= count - 1 ? 0 : selected + 1);
    m_loads.LoadSelectedClip();
}

} // namespace korvale
