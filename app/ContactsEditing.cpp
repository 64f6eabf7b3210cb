// The contact sources and the allowed senders on the general settings panel.
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "addressbook/ContactSource.h"
#include "addressbook/SenderEntry.h"
#include "engine/ScreeningEngine.h"
#include "settings/ContactSettings.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"

#include <QDir>
#include <QListWidget>

namespace sievra {

namespace {

// The role that keeps a row's path; the WAB file's row is marked so Remove clears its value.
constexpr int PathRole = Qt::UserRole;
constexpr int WabRole = Qt::UserRole + 1;

QString CountText(const QHash<QString, qsizetype>& counts, const QString& path) {
    const auto it = counts.constFind(path);
    if (it == counts.cend()) {
        return QStringLiteral("not read");
    }
    return *it == 1 ? QStringLiteral("1 address") : QStringLiteral("%1 addresses").arg(*it);
}

QString LabelOf(const QString& path, bool wab) {
    if (wab) {
        return SourceLabel(SourceKind::WabFile, path);
    }
    QString ignored;
    const SourceKind kind = DetectSourceKind(path, ignored);
    return kind == SourceKind::Unknown ? path : SourceLabel(kind, path);
}

} // namespace

void TfrmMain::FillSources() {
    QListWidget* list = pnlGeneral->lstSources;
    const int selected = list->currentRow();
    list->clear();
    QHash<QString, qsizetype> counts = addedCounts_;
    counts.insert(engine_->Accepted().CountsByPath());
    auto add = [&](const QString& path, bool wab) {
        auto* item = new QListWidgetItem(LabelOf(path, wab) + QStringLiteral(" (") +
                                         CountText(counts, path) + QLatin1Char(')'));
        item->setToolTip(QDir::toNativeSeparators(path));
        item->setData(PathRole, path);
        item->setData(WabRole, wab);
        list->addItem(item);
    };
    if (!wabFile_.isEmpty()) {
        add(wabFile_, true);
    }
    for (const QString& path : addressBooks_) {
        add(path, false);
    }
    list->setCurrentRow(qMin(selected, list->count() - 1));
    UpdateSourceButtons();
}

void TfrmMain::UpdateSourceButtons() {
    pnlGeneral->butRemoveSource->setEnabled(pnlGeneral->lstSources->currentRow() >= 0 &&
                                            !pnlGeneral->lstSources->selectedItems().isEmpty());
}

void TfrmMain::butAddSourceFileClick() {
    FileChoice choice;
    choice.Title = QStringLiteral("Add Address Book");
    choice.StartDirectory = QDir::homePath();
    choice.Filter =
        QStringLiteral("Address books (*.vcf *.vcard *.sqlite *.db *.wab *.WAB);;All files (*)");
    AddSource(dialogs_.ChooseFile(choice));
}

void TfrmMain::butAddSourceFolderClick() {
    FileChoice choice;
    choice.Title = QStringLiteral("Add Folder of vCards");
    choice.StartDirectory = QDir::homePath();
    choice.Folder = true;
    AddSource(dialogs_.ChooseFile(choice));
}

// A source is read once when added, so a wrong choice is refused at once instead of stopping
// the next pass.
void TfrmMain::AddSource(const QString& path) {
    if (path.isEmpty() || path == wabFile_ || addressBooks_.contains(path)) {
        return;
    }
    const SourceContacts read = ReadContactSource(path);
    if (!read.Ok()) {
        dialogs_.Warning(QStringLiteral("Unable to read address book ") + path +
                         QStringLiteral(": ") + read.Error);
        return;
    }
    QStringList paths = addressBooks_;
    paths.append(path);
    try {
        SaveAddressBooks(store_, paths);
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
        return;
    }
    addressBooks_ = paths;
    addedCounts_.insert(path, qsizetype(read.Contacts.size()));
    FillSources();
    pnlGeneral->lstSources->setCurrentRow(pnlGeneral->lstSources->count() - 1);
}

void TfrmMain::butRemoveSourceClick() {
    const QListWidgetItem* item = pnlGeneral->lstSources->currentItem();
    if (item == nullptr) {
        return;
    }
    const QString path = item->data(PathRole).toString();
    try {
        if (item->data(WabRole).toBool()) {
            WriteProduct([](SettingsKey& key) { key.WriteText(GlobalValue::WabFile, QString()); });
            wabFile_.clear();
        } else {
            QStringList paths = addressBooks_;
            paths.removeAll(path);
            SaveAddressBooks(store_, paths);
            addressBooks_ = paths;
        }
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
        return;
    }
    addedCounts_.remove(path);
    FillSources();
}

void TfrmMain::butAddAllowedClick() {
    pnlGeneral->lstAllowed->AddEntry();
}

void TfrmMain::butDeleteAllowedClick() {
    DeleteListEntry(pnlGeneral->lstAllowed, pnlGeneral->butDeleteAllowed);
}

void TfrmMain::lstAllowedExit() {
    EditListBox* list = pnlGeneral->lstAllowed;
    if (!list->IsModified()) {
        return;
    }
    const QStringList entries = list->Entries();
    try {
        SaveAllowedSenders(store_, entries);
        allowedSenders_ = entries;
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
    }
    list->SetModified(false);
    QStringList invalid;
    for (const QString& entry : entries) {
        if (KindOfSenderEntry(entry) == SenderEntryKind::Invalid) {
            invalid.append(entry);
        }
    }
    if (!invalid.isEmpty()) {
        dialogs_.Warning(QStringLiteral("Not an address, @domain or *.domain, so it allows no "
                                        "one: ") +
                         invalid.join(QStringLiteral(", ")));
    }
}

} // namespace sievra
