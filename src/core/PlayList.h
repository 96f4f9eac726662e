#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvale {

// Told of every change to a PlayList, before and after it, so that a list model can follow
// (Qt's item models need both). UI thread.
class PlayListObserver {
public:
    virtual ~PlayListObserver() = default;
    virtual void BeginAppend(int first, int count) = 0;
    virtual void EndAppend() = 0;
    virtual void BeginRemove(int index) = 0;
    virtual void EndRemove() = 0;
    virtual void BeginReset() = 0;
    virtual void EndReset() = 0;
    // The selected entry changed by the program's doing (never by SelectByUser).
    virtual void SelectionChanged() = 0;
};

// The ordered entries of the play list: texts of at most 255 characters (as a rule a clip's
// full path, held as bytes), unsorted, duplicates allowed, at most one selected.
class PlayList {
public:
    static constexpr int kNoSelection = -1;

    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& Text(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Entries() const { return m_entries; }
    // Counts the changes to the entries (not to the selection): equal counts, equal entries.
    std::uint64_t Revision() const { return m_revision; }

    void Append(std::string entry);
    void AppendMany(std::vector<std::string> entries);
    // Removes entry `index`; the selection is left to the caller (nothing when it was
    // the removed one).
    void RemoveAt(int index);
    // Empties the list, selecting nothing.
    void Clear();
    // Replaces every entry, selecting nothing.
    void ReplaceAll(std::vector<std::string> entries);
    // Empties the list, selecting nothing, and hands over its entries without copying them.
    std::vector<std::string> TakeAll();

    // Index of the selected entry, or kNoSelection.
    int SelectedIndex() const { return m_selected; }
    // Selects entry `index` (out of range: none), telling the observer.
    void Select(int index);
    // Records a selection the user made in the front end (which shows it already).
    void SelectByUser(int index);

    // Not owned; may be null.
    void SetObserver(PlayListObserver* observer) { m_observer = observer; }

private:
    std::vector<std::string> m_entries;
    std::uint64_t m_revision = 0;
    int m_selected = kNoSelection;
    PlayListObserver* m_observer = nullptr;
};

} // namespace korvale
