#include "DecisionTableModel.h"

#include <QBrush>
#include <QLocale>

namespace sievra {

void DecisionTableModel::SetRecords(std::vector<DecisionRecord> records) {
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
}

int DecisionTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int DecisionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DecisionTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const DecisionRecord& r = Record(index.row());
    if (role == SortRole && index.column() == Time) {
        return r.Time.toSecsSinceEpoch() * 1000000 + r.Id; // same second: newer entry later
    }
    if (role == Qt::ForegroundRole && index.column() == Outcome && r.Outcome != Decision::Kept) {
        return QBrush(r.Outcome == Decision::Deleted ? Qt::darkRed : Qt::darkYellow);
    }
    if (role != Qt::DisplayRole && role != SortRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case Time: {
        const QDateTime local = r.Time.toLocalTime();
        const QLocale locale;
        return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
               locale.toString(local.time(), QLocale::ShortFormat);
    }
    case Account:
        return r.AccountName;
    case Outcome:
        return DecisionText(r.Outcome);
    case From:
        return DisplayText(r.From.isEmpty() ? r.Sender : r.From).simplified();
    case Subject:
        return DisplayText(r.Subject).simplified();
    case Why:
        return r.Reason;
    case Reply:
        return r.Reply;
    default:
        return {};
    }
}

QVariant DecisionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const QStringList titles = {QStringLiteral("Time"),     QStringLiteral("Account"),
                                       QStringLiteral("Decision"), QStringLiteral("From"),
                                       QStringLiteral("Subject"),  QStringLiteral("Why"),
                                       QStringLiteral("Reply")};
    return titles.value(section);
}

} // namespace sievra
