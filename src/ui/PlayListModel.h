#pragma once

#include <QAbstractListModel>

#include "core/PlayList.h"

namespace korvale {

// Shows a core PlayList in a list view: texts held as bytes (file-system paths), shown
// decoded with the file-system encoding. Follows every change through PlayListObserver; the
// selection changes it hears of are passed on as `programSelectionChanged`.
class PlayListModel : public QAbstractListModel, public PlayListObserver {
    Q_OBJECT
public:
    // `list` is not owned and must outlive the model; null shows an empty list.
    PlayListModel(const PlayList* list, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void BeginAppend(int first, int count) override;
    void EndAppend() override;
    void BeginRemove(int index) override;
    void EndRemove() override;
    void BeginReset() override;
    void EndReset() override;
    void SelectionChanged() override { Q_EMIT programSelectionChanged(); }

    const PlayList* List() const { return m_list; }
    // True from the start to the end of a change of the list's entries: whatever the views
    // do to their selection meanwhile (a view moves its current row off a removed one) is
    // the list's doing, not the user's.
    bool ChangingEntries() const { return m_changingEntries; }

Q_SIGNALS:
    void programSelectionChanged();

private:
    const PlayList* m_list;
    bool m_changingEntries = false;
};

} // namespace korvale
