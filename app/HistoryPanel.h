#pragma once

#include "DecisionTableModel.h"

#include <QSortFilterProxyModel>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace sievra {

class SettingsStore;

// The "History" panel: what each pass decided, newest first, with a filter and the actions on
// the selected rows. It reads the history file itself; the window only tells it when to
// reload and learns of a sender the user allowed.
class HistoryPanel : public QWidget {
    Q_OBJECT

public:
    HistoryPanel(SettingsStore& store, QWidget* parent = nullptr);

    // Reads the history file again with the current filter; the accounts list too.
    void Reload();

    // A sender the user allowed here, already in the store: the window shows it in its list.
    std::function<void(const QString& sender)> SenderAllowed;
    // Sends entry `id`'s copy back to its mailbox and returns the result line; the window
    // gives it the engine's restore. Null: the Restore button stays off.
    std::function<QString(qint64 id)> RestoreEntry;
    // Hands a stored copy to the desktop; replaced in tests. True when it could be started.
    std::function<bool(const QString& path)> OpenFile;

    QLineEdit* txtHistoryFilter;
    QComboBox* cboHistoryAccount;
    QComboBox* cboHistoryDecision;
    QTableView* tblHistory;
    QLabel* lblHistoryNote;
    QPushButton* butAllowSender;
    QPushButton* butRestoreMessage;
    QPushButton* butOpenMessage;
    QPushButton* butCopyAddress;
    DecisionTableModel Model;

private:
    void FillAccounts();
    std::vector<DecisionRecord> SelectedRecords() const;
    void UpdateActions();
    void AllowSender();
    void RestoreMessages();
    void OpenMessage();
    void CopyAddress();

    SettingsStore& store_;
    QSortFilterProxyModel proxy_;
};

} // namespace sievra
