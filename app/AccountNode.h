#pragma once

#include "settings/Account.h"

#include <QTreeWidgetItem>

namespace sievra {

// An account's node in the tree; the node owns the account's record.
class AccountNode : public QTreeWidgetItem {
public:
    static constexpr int NodeType = QTreeWidgetItem::UserType + 1;

    explicit AccountNode(const Account& account)
        : QTreeWidgetItem(NodeType)
        , Record(account) {
        setText(0, account.AccountName);
    }

    Account Record;
};

inline AccountNode* AsAccountNode(QTreeWidgetItem* item) {
    return item != nullptr && item->type() == AccountNode::NodeType
               ? static_cast<AccountNode*>(item)
               : nullptr;
}

} // namespace sievra
