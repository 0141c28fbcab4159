#pragma once

// A read-only table model over a TableSnapshot. Yes/no columns can show check boxes.

#include <QAbstractTableModel>
#include <QStringList>
#include <string_view>
#include <vector>

#include "diagnosis/diagnosis_table.h"

namespace zuvo::gui {

class SnapshotTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SnapshotTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetSnapshot(TableSnapshot snapshot);
  // Replaces the caption of column `column` (0-based).
  void SetColumnTitle(int column, const QString& title);
  // Column `column` (0-based) holds yes/no values ("True"/"False"): shown as a check box alone.
  void SetCheckColumn(int column);
  // The column of the snapshot's field `field` (UTF-8 name), whatever its title; -1 if none.
  int FieldColumn(std::string_view field) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  TableSnapshot snapshot_;
  QStringList titles_;
  std::vector<bool> check_columns_;
};

}  // namespace zuvo::gui
