#pragma once

// A read-only table model over a TableSnapshot.

#include <QAbstractTableModel>
#include <QStringList>

#include "diagnosis/diagnosis_table.h"

namespace zuvo::gui {

class SnapshotTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SnapshotTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetSnapshot(TableSnapshot snapshot);
  // Replaces the caption of column `column` (0-based).
  void SetColumnTitle(int column, const QString& title);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  TableSnapshot snapshot_;
  QStringList titles_;
};

}  // namespace zuvo::gui
