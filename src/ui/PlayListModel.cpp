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
    beginInsertRows(QModelIndex(), first, first + count - 1);
}

void PlayListModel::BeginRemove(int index) {
    beginRemoveRows(QModelIndex(), index, index);
}

} // namespace korvale
