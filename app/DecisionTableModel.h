#pragma once

#include "history/DecisionHistory.h"

#include <QAbstractTableModel>
#include <vector>

namespace sievra {

// The decision history as a table: one row per decision, shown decoded. The sort role gives
// each column's natural order (time as a number), so a sort proxy orders it right.
class DecisionTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Account, Outcome, From, Subject, Why, Reply, ColumnCount };
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void SetRecords(std::vector<DecisionRecord> records);
    const DecisionRecord& Record(int row) const { return records_.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<DecisionRecord> records_;
};

} // namespace sievra
