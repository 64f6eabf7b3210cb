#include "WizardPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace sievra {

void DialogPrompts::Warning(const QString& text) {
    QMessageBox::warning(window_, QStringLiteral("Warning"), text);
}

bool DialogPrompts::WarningYesNo(const QString& text) {
    return QMessageBox::warning(window_, QStringLiteral("Warning"), text,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

bool DialogPrompts::Confirm(const QString& text) {
    return QMessageBox::question(window_, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void DialogPrompts::Error(const QString& text) {
    QMessageBox::critical(window_, QStringLiteral("Error"), text);
}

QString DialogPrompts::ChooseFile(const QString& caption, const QString& folder,
                                  const QString& filter) {
    return QFileDialog::getOpenFileName(window_, caption, folder, filter);
}

QString DialogPrompts::ChooseFolder(const QString& caption, const QString& folder) {
    return QFileDialog::getExistingDirectory(window_, caption, folder);
}

} // namespace sievra
