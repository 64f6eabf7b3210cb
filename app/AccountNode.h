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
    // Added in this run and never active yet: it becomes active once its POP3 server and
    // user are filled in.
    bool AwaitingSetup = false;
};

// Whether an account has what a pass needs to log in at all.
inline bool HasPop3Login(const Account& account) {
    return !account.Pop3Server.trimmed().isEmpty() && !account.Pop3User.trimmed().isEmpty();
}

inline AccountNode* AsAccountNode(QTreeWidgetItem* item) {
    return item != nullptr && item->type() == AccountNode::NodeType
               ? static_cast<AccountNode*>(item)
               : nullptr;
}

} // namespace sievra
