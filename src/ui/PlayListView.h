#pragma once

#include <QListView>

#include <string>
#include <vector>

namespace korvale {

class PlayListModel;

// A single-selection list box over a PlayListModel. Only selection changes made by the user
// (mouse, keyboard) raise `userSelectionChanged`; selections and edits made by the program
// raise nothing.
class PlayListView : public QListView {
    Q_OBJECT
public:
    explicit PlayListView(QWidget* parent);

    int Count() const;
    const std::string& Text(int index) const;
    const std::vector<std::string>& Entries() const;
    void Append(std::string entry);
    void AppendMany(std::vector<std::string> entries);
    void RemoveAt(int index);
    void Clear();
    void ReplaceAll(std::vector<std::string> entries);
    // Empties the list, selecting nothing, and hands over its entries without copying them.
    std::vector<std::string> TakeAll();

    // Index of the selected entry, or -1.
    int SelectedIndex() const;
    // Selects entry `index` (-1: none) without raising userSelectionChanged.
    void Select(int index);

    PlayListModel* Model() const { return m_model; }

Q_SIGNALS:
    void userSelectionChanged();

protected:
    // Like a single-selection list box: a click or key selects the entry it lands on, but
    // nothing the user does (a click below the entries, Ctrl+click, Ctrl+Space) empties
    // the selection.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    class ProgramChange;
    PlayListModel* m_model;
    int m_programChanges = 0;
};

} // namespace korvale
