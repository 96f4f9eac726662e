#include "core/PlayList.h"

#include <utility>

namespace korvale {

void PlayList::Append(std::string entry) {
    const int first = Count();
    if (m_observer != nullptr) {
        m_observer->BeginAppend(first, 1);
    }
    m_entries.push_back(std::move(entry));
    ++m_revision;
    if (m_observer != nullptr) {
        m_observer->EndAppend();
    }
}

void PlayList::AppendMany(std::vector<std::string> entries) {
    if (entries.empty()) {
        return;
    }
    const int first = Count();
    if (m_observer != nullptr) {
        m_observer->BeginAppend(first, static_cast<int>(entries.size()));
    }
    ++m_revision;
    if (m_entries.empty()) {
        m_entries = std::move(entries);
    } else {
        m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                         std::make_move_iterator(entries.end()));
    }
    if (m_observer != nullptr) {
        m_observer->EndAppend();
    }
}

void PlayList::RemoveAt(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    if (m_observer != nullptr) {
        m_observer->BeginRemove(index);
    }
    m_entries.erase(m_entries.begin() + index);
    ++m_revision;
    if (m_selected == index) {
        m_selected = kNoSelection;
    } else if (m_selected > index) {
        --m_selected;
    }
    if (m_observer != nullptr) {
        m_observer->EndRemove();
    }
}

void PlayList::Clear() {
    ReplaceAll({});
}

void PlayList::ReplaceAll(std::vector<std::string> entries) {
    if (m_observer != nullptr) {
        m_observer->BeginReset();
    }
    m_entries = std::move(entries);
    ++m_revision;
    m_selected = kNoSelection;
    if (m_observer != nullptr) {
        m_observer->EndReset();
        m_observer->SelectionChanged();
    }
}

std::vector<std::string> PlayList::TakeAll() {
    std::vector<std::string> taken;
    if (m_observer != nullptr) {
        m_observer->BeginReset();
    }
    taken.swap(m_entries);
    ++m_revision;
    m_selected = kNoSelection;
    if (m_observer != nullptr) {
        m_observer->EndReset();
        m_observer->SelectionChanged();
    }
    return taken;
}

void PlayList::Select(int index) {
    m_selected = index >= 0 && index < Count() ? index : kNoSelection;
    if (m_observer != nullptr) {
        m_observer->SelectionChanged();
    }
}

void PlayList::SelectByUser(int index) {
    m_selected = index >= 0 && index < Count() ? index : kNoSelection;
}

} // namespace korvale
