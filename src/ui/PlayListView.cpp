#include "ui/PlayListView.h"

#include "ui/PlayListModel.h"

namespace korvale {

// Marks a change made by the program for its lifetime, so that the selection signals it
// causes are not taken for the user's.
class PlayListView::ProgramChange {
public:
    explicit ProgramChange(PlayListView& view) : m_view(view) { ++m_view.m_programChanges; }
    ~ProgramChange() { --m_view.m_programChanges; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    PlayListView& m_view;
};

PlayListView::PlayListView(QWidget* parent) : QListView(parent), m_model(new PlayListModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_programChanges == 0) {
            Q_EMIT userSelectionChanged();
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

int PlayListView::Count() const {
    return m_model->Count();
}
const std::string& PlayListView::Text(int index) const {
    return m_model->Text(index);
}
const std::vector<std::string>& PlayListView::Entries() const {
    return m_model->Entries();
}

void PlayListView::Append(std::string entry) {
    const ProgramChange change(*this);
    m_model->Append(std::move(entry));
}

void PlayListView::AppendMany(std::vector<std::string> entries) {
    const ProgramChange change(*this);
    m_model->AppendMany(std::move(entries));
}

void PlayListView::RemoveAt(int index) {
    const ProgramChange change(*this);
    m_model->RemoveAt(index);
}

void PlayListView::Clear() {
    const ProgramChange change(*this);
    m_model->Clear();
    selectionModel()->clear();
}

void PlayListView::ReplaceAll(std::vector<std::string> entries) {
    const ProgramChange change(*this);
    m_model->ReplaceAll(std::move(entries));
    selectionModel()->clear();
}

std::vector<std::string> PlayListView::TakeAll() {
    const ProgramChange change(*this);
    std::vector<std::string> entries = m_model->TakeAll();
    selectionModel()->clear();
    return entries;
}

int PlayListView::SelectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PlayListView::Select(int index) {
    const ProgramChange change(*this);
    if (index < 0 || index >= Count()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex item = m_model->index(index);
    selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    scrollTo(item);
}

} // namespace korvale
