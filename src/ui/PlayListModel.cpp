#include "ui/PlayListModel.h"

#include <QFile>

namespace korvale {

PlayListModel::PlayListModel(const PlayList* list, QObject* parent)
    : QAbstractListModel(parent), m_list(list) {}

int PlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_list == nullptr ? 0 : m_list->Count();
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const {
    if (m_list == nullptr || !index.isValid() || index.row() >= m_list->Count()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return QFile::decodeName(QByteArray::fromStdString(m_list->Text(index.row())));
    }
    return {};
}

void PlayListModel::BeginAppend(int first, int count) {
    m_changingEntries = true;
    beginInsertRows(QModelIndex(), first, first + count - 1);
}

void PlayListModel::EndAppend() {
    endInsertRows();
    m_changingEntries = false;
}

void PlayListModel::BeginRemove(int index) {
    m_changingEntries = true;
    beginRemoveRows(QModelIndex(), index, index);
}

void PlayListModel::EndRemove() {
    endRemoveRows();
    m_changingEntries = false;
}

void PlayListModel::BeginReset() {
    m_changingEntries = true;
    beginResetModel();
}

void PlayListModel::EndReset() {
    endResetModel();
    m_changingEntries = false;
}

} // namespace korvale
