#include "UserDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>

namespace sievra {

void QtUserDialogs::Warning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
    box.exec();
}

bool QtUserDialogs::Confirm(const QString& text, bool defaultYes) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtUserDialogs::Error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Sievra"), text, QMessageBox::Ok);
    box.exec();
}

namespace {

// Folders and programs only. QDir::Executable as the dialog's filter hides everything until
// the file system model has read each file's permissions, so the list stayed empty; this asks
// each entry itself.
class ProgramsOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files == nullptr) {
            return true;
        }
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

} // namespace

QString QtUserDialogs::ChooseFile(const FileChoice& choice) {
    QFileDialog dialog(nullptr, choice.Title, choice.StartDirectory, choice.Filter);
    dialog.setFileMode(choice.Folder ? QFileDialog::Directory : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (choice.ExecutablesOnly) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new ProgramsOnly(&dialog));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

bool QtUserDialogs::TrustCertificate(const QString& details) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), details);
    QPushButton* trust = box.addButton(QStringLiteral("Trust this certificate for this account"),
                                       QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    // Trusting is never the default: Enter must not accept a certificate unread.
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == trust;
}

} // namespace sievra
