#pragma once

#include <QListView>

namespace korvale {

class PlayList;
class PlayListModel;

// A single-selection list box over a core PlayList. Selections the user makes (mouse,
// keyboard) raise `userSelected`; the list's own selection changes are shown and raise
// nothing.
class PlayListView : public QListView {
    Q_OBJECT
public:
    // `list` is not owned and must outlive the view; null shows an empty list.
    PlayListView(const PlayList* list, QWidget* parent);

    PlayListModel* Model() const { return m_model; }
    // Index of the entry the view shows selected, or -1.
    int ShownSelection() const;

Q_SIGNALS:
    void userSelected(int index);

protected:
    // Like a single-selection list box: a click or key selects the entry it lands on, but
    // nothing the user does (a click below the entries, Ctrl+click, Ctrl+Space) empties
    // the selection.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void ShowListSelection();

    PlayListModel* m_model;
    bool m_showing = false;
};

} // namespace korvale
