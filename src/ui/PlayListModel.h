#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

namespace korvale {

// The entries of a list box: texts held as bytes (file-system paths), shown decoded with the
// file-system encoding. Unsorted; duplicates allowed.
class PlayListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PlayListModel(QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& Text(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Entries() const { return m_entries; }
    void Append(std::string entry);
    void AppendMany(std::vector<std::string> entries);
    void RemoveAt(int index);
    void Clear();
    void ReplaceAll(std::vector<std::string> entries);
    // Empties the list and hands over its entries (no copies).
    std::vector<std::string> TakeAll();

private:
    std::vector<std::string> m_entries;
};

} // namespace korvale
