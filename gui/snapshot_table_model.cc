#include "snapshot_table_model.h"

#include "text_fields.h"

namespace zuvo::gui {

void SnapshotTableModel::SetSnapshot(TableSnapshot snapshot) {
  beginResetModel();
  snapshot_ = std::move(snapshot);
  titles_.clear();
  for (const std::string& column : snapshot_.columns) titles_.append(FromUtf8(column));
  endResetModel();
}

void SnapshotTableModel::SetColumnTitle(int column, const QString& title) {
  if (column < 0 || column >= titles_.size()) return;
  titles_[column] = title;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

int SnapshotTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(snapshot_.rows.size());
}

int SnapshotTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant SnapshotTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const std::vector<std::string>& row = snapshot_.rows[static_cast<size_t>(index.row())];
  size_t column = static_cast<size_t>(index.column());
  return column < row.size() ? QVariant(FromUtf8(row[column])) : QVariant();
}

QVariant SnapshotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section >= 0 && section < titles_.size() ? QVariant(titles_[section]) : QVariant();
}

}  // namespace zuvo::gui
