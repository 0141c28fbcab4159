#include "snapshot_table_model.h"

#include "text_fields.h"

namespace zuvo::gui {

void SnapshotTableModel::SetSnapshot(TableSnapshot snapshot) {
  beginResetModel();
  snapshot_ = std::move(snapshot);
  titles_.clear();
  for (const std::string& column : snapshot_.columns) titles_.append(FromUtf8(column));
  check_columns_.assign(snapshot_.columns.size(), false);
  endResetModel();
}

void SnapshotTableModel::SetCheckColumn(int column) {
  if (column < 0 || column >= static_cast<int>(check_columns_.size())) return;
  check_columns_[static_cast<size_t>(column)] = true;
  if (rowCount() > 0) emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

int SnapshotTableModel::FieldColumn(std::string_view field) const {
  for (size_t column = 0; column < snapshot_.columns.size(); ++column) {
    if (snapshot_.columns[column] == field) return static_cast<int>(column);
  }
  return -1;
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
  if (!index.isValid()) return {};
  const std::vector<std::string>& row = snapshot_.rows[static_cast<size_t>(index.row())];
  size_t column = static_cast<size_t>(index.column());
  if (column >= row.size()) return {};
  const bool check = column < check_columns_.size() && check_columns_[column];
  if (check && role == Qt::CheckStateRole) {
    return row[column] == "True" ? Qt::Checked : Qt::Unchecked;
  }
  if (role != Qt::DisplayRole || check) return {};
  return FromUtf8(row[column]);
}

QVariant SnapshotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section >= 0 && section < titles_.size() ? QVariant(titles_[section]) : QVariant();
}

}  // namespace zuvo::gui
