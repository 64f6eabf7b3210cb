#include "UserDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace sievra {

void QtUserDialogs::Warning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
    box.exec();
}

bool QtUserDialogs::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtUserDialogs::Error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Sievra"), text, QMessageBox::Ok);
    box.exec();
}

QString QtUserDialogs::ChooseFile(const FileChoice& choice) {
    QFileDialog dialog(nullptr, choice.Title, choice.StartDirectory, choice.Filter);
    dialog.setFileMode(choice.Folder ? QFileDialog::Directory : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (choice.ExecutablesOnly) {
        dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
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
