#include "HistoryPanel.h"

#include "history/QuarantineStore.h"
#include "settings/ContactSettings.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace sievra {

namespace {

// Enough to find any recent message; an older one is a filter away.
constexpr int ShownRows = 5000;
constexpr int MaxColumn = 190;

bool StartViewer(const QString& path) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

} // namespace

HistoryPanel::HistoryPanel(SettingsStore& store, QWidget* parent)
    : QWidget(parent)
    , OpenFile(StartViewer)
    , store_(store) {
    setObjectName(QStringLiteral("pnlHistory"));
    txtHistoryFilter = Named(new QLineEdit(this), QStringLiteral("txtHistoryFilter"),
                             QStringLiteral("Show only entries whose sender or subject holds "
                                            "this text"));
    txtHistoryFilter->setPlaceholderText(QStringLiteral("Filter by sender or subject"));
    txtHistoryFilter->setClearButtonEnabled(true);
    cboHistoryAccount = Named(new QComboBox(this), QStringLiteral("cboHistoryAccount"),
                              QStringLiteral("Show one account's entries"));
    cboHistoryDecision = Named(new QComboBox(this), QStringLiteral("cboHistoryDecision"),
                               QStringLiteral("Show one kind of decision"));
    cboHistoryDecision->addItem(QStringLiteral("All decisions"), -1);
    for (Decision d :
         {Decision::Deleted, Decision::WouldDelete, Decision::Kept, Decision::NotDeleted}) {
        cboHistoryDecision->addItem(DecisionText(d), static_cast<int>(d));
    }
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(txtHistoryFilter, 1);
    filterRow->addWidget(cboHistoryAccount);
    filterRow->addWidget(cboHistoryDecision);

    proxy_.setSourceModel(&Model);
    proxy_.setSortRole(DecisionTableModel::SortRole);
    tblHistory = Named(new QTableView(this), QStringLiteral("tblHistory"));
    tblHistory->setModel(&proxy_);
    tblHistory->setSortingEnabled(true);
    tblHistory->sortByColumn(DecisionTableModel::Time, Qt::DescendingOrder);
    tblHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblHistory->verticalHeader()->hide();
    tblHistory->horizontalHeader()->setStretchLastSection(true);
    tblHistory->setWordWrap(false);
    lblHistoryNote = Named(new QLabel(this), QStringLiteral("lblHistoryNote"));
    lblHistoryNote->setWordWrap(true);
    lblHistoryNote->hide();

    butAllowSender = Named(new QPushButton(QStringLiteral("A&llow sender"), this),
                           QStringLiteral("butAllowSender"),
                           QStringLiteral("Add the senders of the selected messages to the "
                                          "allowed senders"));
    butRestoreMessage = Named(new QPushButton(QStringLiteral("&Restore"), this),
                              QStringLiteral("butRestoreMessage"),
                              QStringLiteral("Send the kept copies of the selected messages back "
                                             "to their mailbox"));
    butOpenMessage =
        Named(new QPushButton(QStringLiteral("&Open"), this), QStringLiteral("butOpenMessage"),
              QStringLiteral("Open the kept copy of the selected message"));
    butCopyAddress =
        Named(new QPushButton(QStringLiteral("&Copy address"), this),
              QStringLiteral("butCopyAddress"), QStringLiteral("Copy the senders' addresses"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(butAllowSender);
    actions->addWidget(butRestoreMessage);
    actions->addWidget(butOpenMessage);
    actions->addWidget(butCopyAddress);
    actions->addStretch();

    auto* column = new QVBoxLayout(this);
    column->addLayout(filterRow);
    column->addWidget(tblHistory, 1);
    column->addWidget(lblHistoryNote);
    column->addLayout(actions);

    connect(txtHistoryFilter, &QLineEdit::textChanged, this, &HistoryPanel::Reload);
    connect(cboHistoryAccount, &QComboBox::activated, this, &HistoryPanel::Reload);
    connect(cboHistoryDecision, &QComboBox::activated, this, &HistoryPanel::Reload);
    connect(tblHistory->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryPanel::UpdateActions);
    connect(butAllowSender, &QPushButton::clicked, this, &HistoryPanel::AllowSender);
    connect(butRestoreMessage, &QPushButton::clicked, this, &HistoryPanel::RestoreMessages);
    connect(butOpenMessage, &QPushButton::clicked, this, &HistoryPanel::OpenMessage);
    connect(butCopyAddress, &QPushButton::clicked, this, &HistoryPanel::CopyAddress);
    UpdateActions();
}

void HistoryPanel::FillAccounts() {
    const QString chosen = cboHistoryAccount->currentData().toString();
    cboHistoryAccount->clear();
    cboHistoryAccount->addItem(QStringLiteral("All accounts"), QString());
    const auto product = store_.OpenKey(ProductKey);
    for (const QString& key : product ? product->SubkeyNames() : QStringList()) {
        const auto account = store_.OpenKey(AccountKeyPath(key));
        const QString name = account ? account->ReadText(QStringLiteral("Account Name")) : key;
        cboHistoryAccount->addItem(name.isEmpty() ? key : name, key);
    }
    cboHistoryAccount->setCurrentIndex(std::max(cboHistoryAccount->findData(chosen), 0));
}

void HistoryPanel::Reload() {
    if (sender() != cboHistoryAccount) {
        FillAccounts();
    }
    DecisionFilter filter;
    filter.Text = txtHistoryFilter->text().trimmed();
    filter.Account = cboHistoryAccount->currentData().toString();
    const int decision = cboHistoryDecision->currentData().toInt();
    if (decision >= 0) {
        filter.Outcome = static_cast<Decision>(decision);
    }
    filter.Limit = ShownRows;
    try {
        HistoryDatabase db;
        DecisionHistory history(db);
        Model.SetRecords(history.List(filter));
        lblHistoryNote->setVisible(!db.SetAsideNotice().isEmpty());
        lblHistoryNote->setText(db.SetAsideNotice());
    } catch (const HistoryError& error) {
        Model.SetRecords({});
        lblHistoryNote->setText(error.Message());
        lblHistoryNote->show();
    }
    // Each column as wide as it needs, but none so wide that the subject scrolls out of view.
    tblHistory->resizeColumnsToContents();
    for (int column = 0; column < DecisionTableModel::ColumnCount; ++column) {
        tblHistory->setColumnWidth(column, std::min(tblHistory->columnWidth(column), MaxColumn));
    }
    UpdateActions();
}

std::vector<DecisionRecord> HistoryPanel::SelectedRecords() const {
    std::vector<DecisionRecord> records;
    for (const QModelIndex& index : tblHistory->selectionModel()->selectedRows()) {
        records.push_back(Model.Record(proxy_.mapToSource(index).row()));
    }
    return records;
}

void HistoryPanel::UpdateActions() {
    const std::vector<DecisionRecord> records = SelectedRecords();
    const bool any = !records.empty();
    butAllowSender->setEnabled(any);
    butCopyAddress->setEnabled(any);
    butOpenMessage->setEnabled(records.size() == 1 && records[0].Copy != CopyKind::None);
    butRestoreMessage->setEnabled(
        RestoreEntry && std::any_of(records.begin(), records.end(), [](const DecisionRecord& r) {
            return r.Copy != CopyKind::None;
        }));
}

// One result line per selected row; a row without a whole copy says why it cannot go back.
void HistoryPanel::RestoreMessages() {
    if (!RestoreEntry) {
        return;
    }
    QStringList lines;
    for (const DecisionRecord& r : SelectedRecords()) {
        lines << RestoreEntry(r.Id);
    }
    Reload();
    lblHistoryNote->setVisible(!lines.isEmpty());
    lblHistoryNote->setText(lines.join(QLatin1Char('\n')));
}

void HistoryPanel::AllowSender() {
    std::set<QString> done;
    for (const DecisionRecord& r : SelectedRecords()) {
        if (r.Sender.isEmpty() || !done.insert(r.Sender.toLower()).second) {
            continue;
        }
        if (AddAllowedSender(store_, r.Sender) && SenderAllowed) {
            SenderAllowed(r.Sender);
        }
    }
}

// A copy with the .eml name desktops know, private like the original, beside the history.
void HistoryPanel::OpenMessage() {
    const std::vector<DecisionRecord> records = SelectedRecords();
    if (records.size() != 1 || records[0].Copy == CopyKind::None) {
        return;
    }
    const DecisionRecord& r = records[0];
    const QString folder = HistoryDatabase::DefaultFolder() + QStringLiteral("/open");
    const QString path = folder + QStringLiteral("/message-%1.eml").arg(r.Id);
    QString error;
    try {
        const QByteArray bytes = QuarantineStore().Read(r.CopyPath);
        error = MakePrivateFolder(folder, true);
        if (error.isEmpty()) {
            error = WritePrivateFile(path, bytes);
        }
    } catch (const HistoryError& e) {
        error = e.Message();
    }
    if (error.isEmpty() && !OpenFile(path)) {
        error = QStringLiteral("No program to open %1 (xdg-open failed)").arg(path);
    }
    lblHistoryNote->setVisible(!error.isEmpty());
    lblHistoryNote->setText(error);
}

void HistoryPanel::CopyAddress() {
    QStringList addresses;
    for (const DecisionRecord& r : SelectedRecords()) {
        if (!r.Sender.isEmpty() && !addresses.contains(r.Sender)) {
            addresses << r.Sender;
        }
    }
    QApplication::clipboard()->setText(addresses.join(QStringLiteral(", ")));
}

} // namespace sievra
