#include "ui/PlayListModel.h"

#include <QFile>

namespace korvale {

PlayListModel::PlayListModel(QObject* parent) : QAbstractListModel(parent) {}

int PlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return QFile::decodeName(QByteArray::fromStdString(Text(index.row())));
    }
    return {};
}

void PlayListModel::Append(std::string entry) {
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.push_back(std::move(entry));
    endInsertRows();
}

void PlayListModel::AppendMany(std::vector<std::string> entries) {
    if (entries.empty()) {
        return;
    }
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(entries.size()) - 1);
    m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                     std::make_move_iterator(entries.end()));
    endInsertRows();
}

void PlayListModel::RemoveAt(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    beginRemoveRows(QModelIndex(), index, index);
    m_entries.erase(m_entries.begin() + index);
    endRemoveRows();
}

void PlayListModel::Clear() {
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void PlayListModel::ReplaceAll(std::vector<std::string> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

std::vector<std::string> PlayListModel::TakeAll() {
    beginResetModel();
    std::vector<std::string> entries = std::move(m_entries);
    m_entries.clear();
    endResetModel();
    return entries;
}

} // namespace korvale
