#pragma once

#include <array>

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace sievra {

class PathLabel;

// The controls of the wizard window that its logic works with; each carries its name as
// objectName.
struct WizardControls {
    QStackedWidget* Pages = nullptr;
    std::array<QWidget*, 8> pnlPage{};
    QPushButton* butPrevious = nullptr;
    QPushButton* butNext = nullptr;
    QPushButton* butCancel = nullptr;
    // page 1: says that settings exist and the pages start from them
    QLabel* lblExisting = nullptr;
    // page 2: the sources (checkable, path in the item's user role) and their contacts
    QListWidget* lstSources = nullptr;
    QPushButton* butAddFile = nullptr;
    QPushButton* butAddFolder = nullptr;
    QPushButton* butRemove = nullptr;
    QListWidget* lstContacts = nullptr;
    // page 3
    PathLabel* lblEMailClient = nullptr;
    QPushButton* butChangeEMailClient = nullptr;
    // page 4
    QListWidget* lstAccounts = nullptr;
    // page 5
    QLabel* lblSettings = nullptr;
    // What the page still lacks before Next goes on.
    QLabel* lblMissing = nullptr;
    QLineEdit* txtHost = nullptr;
    QLineEdit* txtPOP3Port = nullptr;
    QComboBox* cboPOP3Security = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPWD = nullptr;
    QLineEdit* txtSMTP = nullptr;
    QLineEdit* txtSMTPPort = nullptr;
    QComboBox* cboSMTPSecurity = nullptr;
    QLineEdit* txtEMail = nullptr;
    QLineEdit* txtDisplayName = nullptr;
    QCheckBox* chkAUTH = nullptr;
    QCheckBox* chkUseSame = nullptr;
    QCheckBox* chkCheckSender = nullptr;
    QLabel* lblUser = nullptr;
    QLineEdit* txtSMTPUser = nullptr;
    QLabel* lblPWD = nullptr;
    QLineEdit* txtSMTPPWD = nullptr;
    // page 7
    QLabel* lblOptions = nullptr;
    QPlainTextEdit* memCodeWords = nullptr;
    QPlainTextEdit* memHints = nullptr;
    QCheckBox* chkRemember = nullptr;
    // page 8: a new user tries Sievra without losing mail ("Preview Only").
    QCheckBox* chkPreview = nullptr;
};

// Builds the eight pages, the separator and the buttons into the window.
WizardControls BuildWizardPages(QDialog* window);

} // namespace sievra
