#include "ui/PlayListView.h"

#include "core/PlayList.h"
#include "ui/PlayListModel.h"

namespace korvale {

PlayListView::PlayListView(const PlayList* list, QWidget* parent)
    : QListView(parent), m_model(new PlayListModel(list, this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(m_model, &PlayListModel::programSelectionChanged, this,
            &PlayListView::ShowListSelection);
    // Rows removed or reset under the selection change what the view shows selected too (a
    // removed current row hands the selection to the next one); only a selection that
    // differs from the list's own, made while the list's entries stand still, comes from
    // the user.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const PlayList* shown = m_model->List();
        const int index = ShownSelection();
        if (!m_showing && !m_model->ChangingEntries() && shown != nullptr && index >= 0 &&
            index != shown->SelectedIndex()) {
            Q_EMIT userSelected(index);
        }
    });
}

QItemSelectionModel::SelectionFlags PlayListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (!index.isValid() || selectionModel()->isSelected(index)) {
        return QItemSelectionModel::NoUpdate;
    }
    if (command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
        return QItemSelectionModel::ClearAndSelect;
    }
    if (command.testFlag(QItemSelectionModel::Clear) &&
        !command.testFlag(QItemSelectionModel::Select)) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

int PlayListView::ShownSelection() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PlayListView::ShowListSelection() {
    const PlayList* list = m_model->List();
    const int index = list != nullptr ? list->SelectedIndex() : -1;
    m_showing = true;
    if (index < 0) {
        selectionModel()->clearSelection();
    } else {
        const QModelIndex item = m_model->index(index);
        selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
        scrollTo(item);
    }
    m_showing = false;
}

} // namespace korvale
