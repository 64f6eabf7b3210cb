#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace sievra {

class PasswordEdit;
class SpinEdit;

// The connection fields of one account, as the main window's account panel and the wizard's
// account page both show them: the POP3 server and login, the SMTP server, the reply sender
// and the SMTP login. Each control carries its name as objectName; the owner connects them.
class AccountForm : public QWidget {
    Q_OBJECT
public:
    // The panel also shows the time-outs and the Save boxes; the wizard decides those itself.
    enum class Extras { None, TimeoutsAndSaving };
    explicit AccountForm(Extras extras, QWidget* parent = nullptr);

    QLineEdit* txtHost;
    QLineEdit* txtPOP3Port;
    QComboBox* cboPOP3Security;
    QLineEdit* txtUser;
    PasswordEdit* txtPWD;
    QLineEdit* txtSMTP;
    QLineEdit* txtSMTPPort;
    QComboBox* cboSMTPSecurity;
    QLineEdit* txtEMail;
    QLineEdit* txtDisplayName;
    QCheckBox* chkAUTH;
    QCheckBox* chkUseSame;
    QLabel* lblSMTPUser;
    QLineEdit* txtSMTPUser;
    QLabel* lblSMTPPWD;
    PasswordEdit* txtSMTPPWD;
    // Below both groups: a contact's forged message counts as a stranger's.
    QCheckBox* chkCheckSender;
    // Only with Extras::TimeoutsAndSaving, else null.
    SpinEdit* spnPOP3TimeOut = nullptr;
    QCheckBox* chkSavePWD = nullptr;
    SpinEdit* spnSMTPTimeOut = nullptr;
    QCheckBox* chkSaveSMTPPWD = nullptr;

protected:
    // The column the two groups stand in; a panel may add rows above them.
    QVBoxLayout* Column() const { return column_; }

private:
    QGroupBox* BuildIncoming(bool extras);
    QGroupBox* BuildOutgoing(bool extras);
    void LayOutIncoming(QGridLayout* grid, QWidget* group);
    void LayOutOutgoing(QGridLayout* grid, QWidget* group);
    void AlignColumns(QGridLayout* in, QGridLayout* out);
    void BuildSenderCheck();
    void SetTabOrder();

    QVBoxLayout* column_;
};

} // namespace sievra
