#include "WindowFixture.h"
#include "net/TlsTrust.h"
#include "settings/PasswordCipher.h"
#include "tests/support/TestCertificates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

using namespace sievra;

namespace {

const QString Home = AccountKeyPath("00000001");

class AccountEditingTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        ASSERT_TRUE(OpenWindow());
        Select({"Settings", "Home"});
    }
    QString Text(const QString& name) {
        const auto v = Stored(Home, name);
        return v ? v->Text : QString("<missing>");
    }
    bool Flag(const QString& name) {
        const auto v = Stored(Home, name);
        return v && v->Number != 0;
    }
    Account& Record() { return *window->Accounts().at(0); }
};

TEST_F(AccountEditingTest, ChangingOnlyTheNameRenamesTheNodeAndKeepsTheTestedFlags) {
    TypeInto("txtAccountName", "Family");
    EXPECT_EQ(Text("Account Name"), "Home") << "nothing is written before the field is left";
    Leave();
    EXPECT_EQ(Text("Account Name"), "Family");
    EXPECT_EQ(Node({"Settings", "Family"}), Tree()->currentItem());
    EXPECT_EQ(Record().AccountName, "Family");
    EXPECT_TRUE(Flag("POP3 Tested"));
    EXPECT_TRUE(Flag("SMTP Tested"));
}

struct FieldRow {
    const char* field;
    const char* value;
    bool pop3Reset;
    bool smtpReset;
    const char* typed = "typed value";
};

class AccountFieldTest : public AccountEditingTest, public testing::WithParamInterface<FieldRow> {};

TEST_P(AccountFieldTest, WritesTheValueAndResetsTheRightTestedFlag) {
    const FieldRow& row = GetParam();
    TypeInto(row.field, row.typed);
    Leave();
    EXPECT_EQ(Text(row.value), row.typed);
    EXPECT_EQ(Flag("POP3 Tested"), !row.pop3Reset);
    EXPECT_EQ(Flag("SMTP Tested"), !row.smtpReset);
    EXPECT_EQ(Record().Pop3Tested, !row.pop3Reset);
    EXPECT_EQ(Record().SmtpTested, !row.smtpReset);
}

INSTANTIATE_TEST_SUITE_P(Fields, AccountFieldTest,
                         testing::Values(FieldRow{"txtHost", "POP3 Server", true, false},
                                         FieldRow{"txtUser", "POP3 User Name", true, false},
                                         FieldRow{"txtPOP3Port", "POP3 Port", true, false, "pop3"},
                                         FieldRow{"txtSMTP", "SMTP Server", false, true},
                                         FieldRow{"txtSMTPPort", "SMTP Port", false, true, "2525"},
                                         FieldRow{"txtEMail", "SMTP EMail Address", false, false},
                                         FieldRow{"txtDisplayName", "SMTP Display Name", false,
                                                  false}));

// A port is a number from 1 to 65535 or a known service name; anything else is refused where
// it was typed and the stored one comes back. TLS on the plain port moves to the TLS port.
TEST_F(AccountEditingTest, PortsAreRefusedUnlessNumbersOrServicesAndFollowTls) {
    for (const char* bad : {"abc99999", "0", "65536", "-110", "110x"}) {
        TypeInto("txtPOP3Port", bad);
        Leave();
        EXPECT_EQ(Text("POP3 Port"), "110") << bad;
        EXPECT_EQ(Find<QLineEdit>("txtPOP3Port")->text(), "110") << bad;
    }
    EXPECT_EQ(dialogs.Warnings.size(), 5);
    EXPECT_TRUE(dialogs.Warnings.first().contains("\"abc99999\" is not a port"));
    EXPECT_TRUE(Flag("POP3 Tested")) << "a refused port changes nothing";

    auto* security = Find<QComboBox>("cboPOP3Security");
    security->setFocus();
    security->setCurrentIndex(2);
    emit security->activated(2);
    EXPECT_EQ(Text("POP3 Port"), "995");
    security->setCurrentIndex(0);
    emit security->activated(0);
    EXPECT_EQ(Text("POP3 Port"), "110");
    auto* smtpSecurity = Find<QComboBox>("cboSMTPSecurity");
    smtpSecurity->setCurrentIndex(2);
    emit smtpSecurity->activated(2);
    EXPECT_EQ(Text("SMTP Port"), "465");
    EXPECT_FALSE(Flag("SMTP Tested"));
}

TEST_F(AccountEditingTest, FieldsWriteOnlyWhenTheUserChangedThem) {
    // Another program changes the value; visiting the field without typing keeps that.
    AccountKey().WriteText("POP3 Server", "elsewhere.example.org");
    Find<QLineEdit>("txtHost")->setFocus();
    Leave();
    EXPECT_EQ(Text("POP3 Server"), "elsewhere.example.org");
    EXPECT_TRUE(Flag("POP3 Tested"));
    // Selecting nodes fills the panel without writing: the store stays as it was.
    AccountKey().WriteFlag("Active", false);
    Select({"Message"});
    Select({"Settings", "Home"});
    EXPECT_FALSE(Flag("Active"));
    // A port is text as typed, not checked.
    TypeInto("txtPOP3Port", "pop3s");
    Leave();
    EXPECT_EQ(Stored(Home, "POP3 Port")->Type, ValueType::Text);
    EXPECT_EQ(Text("POP3 Port"), "pop3s");
}

// The user picks a security from the list beside each port: the number is written at once and
// the side it belongs to is tested again.
TEST_F(AccountEditingTest, SecurityChoicesWriteTheirNumberAndResetTheirSide) {
    QComboBox* pop3 = Find<QComboBox>("cboPOP3Security");
    QComboBox* smtp = Find<QComboBox>("cboSMTPSecurity");
    EXPECT_EQ(pop3->currentText(), "None") << "port 110 without a stored value";
    ASSERT_EQ(pop3->count(), 3);
    EXPECT_EQ(pop3->itemText(1), "STARTTLS");
    EXPECT_EQ(pop3->itemText(2), "TLS");

    // Chosen with the keyboard, as a user would: activated, not just changed.
    pop3->setFocus();
    QTest::keyClick(pop3, Qt::Key_Down);
    EXPECT_EQ(Stored(Home, "POP3 Security")->Number, 1);
    EXPECT_EQ(Record().Pop3Security, 1);
    EXPECT_FALSE(Flag("POP3 Tested"));
    EXPECT_TRUE(Flag("SMTP Tested"));

    smtp->setFocus();
    QTest::keyClick(smtp, Qt::Key_End);
    EXPECT_EQ(Stored(Home, "SMTP Security")->Number, 2);
    EXPECT_EQ(Record().SmtpSecurity, 2);
    EXPECT_FALSE(Flag("SMTP Tested"));

    // Filling the panel for another visit writes nothing and shows the stored choices.
    AccountKey().WriteFlag("SMTP Tested", true);
    Record().SmtpTested = true;
    Select({"Message"});
    Select({"Settings", "Home"});
    EXPECT_EQ(pop3->currentText(), "STARTTLS");
    EXPECT_EQ(smtp->currentText(), "TLS");
    EXPECT_TRUE(Flag("SMTP Tested"));
}

TEST_F(AccountEditingTest, StoredSecurityOutsideTheChoiceShowsNoEntry) {
    AccountKey().WriteNumber("POP3 Security", 9);
    AccountKey().WriteText("SMTP Port", "465");
    CloseWindow();
    ASSERT_TRUE(OpenWindow());
    Select({"Settings", "Home"});
    EXPECT_EQ(Find<QComboBox>("cboPOP3Security")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("cboSMTPSecurity")->currentText(), "TLS") << "from port 465";
    EXPECT_EQ(Stored(Home, "POP3 Security")->Number, 9) << "kept until the user chooses";
}

TEST_F(AccountEditingTest, TimeoutsAreIntegersWrittenOnLeaving) {
    auto* spin = Find<QSpinBox>("spnPOP3TimeOut");
    EXPECT_EQ(spin->minimum(), 30);
    EXPECT_EQ(spin->maximum(), 999);
    TypeInto("spnPOP3TimeOut", "120");
    Leave();
    EXPECT_EQ(Stored(Home, "POP3 Timeout")->Number, 120);
    EXPECT_EQ(Record().Pop3Timeout, 120);
    EXPECT_TRUE(Flag("POP3 Tested")) << "a time-out needs no new test";
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    Leave();
    EXPECT_EQ(Stored(Home, "POP3 Timeout")->Number, 121);
    TypeInto("spnSMTPTimeOut", "5000");
    Leave();
    EXPECT_EQ(Stored(Home, "SMTP Timeout")->Number, 500) << "kept within 30 to 999 as typed";
}

TEST_F(AccountEditingTest, CheckBoxesWriteOnClick) {
    Click("chkActive");
    EXPECT_FALSE(Flag("Active"));
    EXPECT_FALSE(Record().Active);
    EXPECT_TRUE(Flag("POP3 Tested"));
    Click("chkActive");
    EXPECT_TRUE(Flag("Active"));

    EXPECT_TRUE(Find<QCheckBox>("chkCheckSender")->isChecked()) << "on for a new account";
    Click("chkCheckSender");
    EXPECT_FALSE(Flag("Check Sender Authentication"));
    EXPECT_FALSE(Record().CheckSenderAuthentication);
}

TEST_F(AccountEditingTest, Pop3PasswordReachesTheStoreOnlyWithSavePassword) {
    const auto before = Stored(Home, "POP3 Password");
    TypeInto("txtPWD", "hunter2");
    EXPECT_EQ(Find<QLineEdit>("txtPWD")->displayText(), "*******");
    Leave();
    EXPECT_EQ(Record().Pop3Password, "hunter2") << "in memory for this run";
    EXPECT_EQ(Stored(Home, "POP3 Password").has_value(), before.has_value());
    EXPECT_TRUE(Flag("POP3 Tested"));

    Click("chkSavePWD");
    EXPECT_TRUE(Flag("Save POP3 Password"));
    EXPECT_EQ(DecodePassword(Text("POP3 Password")), "hunter2");
    EXPECT_TRUE(Flag("POP3 Tested")) << "the box itself resets nothing";

    TypeInto("txtPWD", "correct horse");
    Leave();
    EXPECT_EQ(DecodePassword(Text("POP3 Password")), "correct horse");
    EXPECT_FALSE(Flag("POP3 Tested"));

    Click("chkSavePWD");
    EXPECT_FALSE(Flag("Save POP3 Password"));
    EXPECT_EQ(Text("POP3 Password"), "");
    EXPECT_EQ(Record().Pop3Password, "correct horse");
}

TEST_F(AccountEditingTest, UncheckingSaveForSmtpRemovesTheStoredPassword) {
    // Authentication on with its own login, so the SMTP password fields are enabled.
    Click("chkAUTH");
    TypeInto("txtSMTPPWD", "smtp-secret");
    Leave();
    EXPECT_EQ(Record().SmtpPassword, "smtp-secret");
    Click("chkSaveSMTPPWD");
    EXPECT_TRUE(Flag("Save SMTP Password"));
    EXPECT_EQ(DecodePassword(Text("SMTP Password")), "smtp-secret");

    Click("chkSaveSMTPPWD");
    EXPECT_FALSE(Flag("Save SMTP Password"));
    EXPECT_EQ(Text("SMTP Password"), "") << "a password the user chose not to keep leaves the disk";
    EXPECT_EQ(Record().SmtpPassword, "smtp-secret") << "but stays for this run";

    CloseWindow();
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(window->Accounts().at(0)->SmtpPassword, "");
    EXPECT_FALSE(window->Accounts().at(0)->SaveSmtpPassword);
}

TEST_F(AccountEditingTest, AuthenticationControlsFollowTheBoxes) {
    const auto enabled = [this](const char* name) {
        return Find<QWidget>(name)->isEnabled();
    };
    const auto loginEnabled = [&](bool on) {
        for (const char* name :
             {"txtSMTPUser", "txtSMTPPWD", "chkSaveSMTPPWD", "lblSMTPUser", "lblSMTPPWD"}) {
            EXPECT_EQ(enabled(name), on) << name;
        }
    };
    EXPECT_FALSE(enabled("chkUseSame"));
    loginEnabled(false);

    Click("chkAUTH");
    EXPECT_TRUE(Flag("Requires AUTH"));
    EXPECT_FALSE(Flag("SMTP Tested"));
    EXPECT_TRUE(Flag("POP3 Tested"));
    EXPECT_TRUE(enabled("chkUseSame"));
    loginEnabled(true);

    Click("chkUseSame");
    EXPECT_TRUE(Flag("Use POP3"));
    EXPECT_TRUE(enabled("chkUseSame"));
    loginEnabled(false);

    Click("chkAUTH");
    EXPECT_FALSE(Flag("Requires AUTH"));
    EXPECT_FALSE(enabled("chkUseSame"));
    loginEnabled(false);

    // Selecting the account again shows the same state from the record.
    Select({"Status"});
    Select({"Settings", "Home"});
    EXPECT_FALSE(enabled("chkUseSame"));
    EXPECT_TRUE(Find<QCheckBox>("chkUseSame")->isChecked());
}

TEST_F(AccountEditingTest, AnAccountKeyDeletedMeanwhileTakesNoWrite) {
    store->DeleteKey(Home);
    TypeInto("txtHost", "new.example.org");
    Leave();
    EXPECT_FALSE(StoredKeyExists(Home)) << "writes never create the key again";
    EXPECT_EQ(Record().Pop3Server, "pop.example.org");
    TypeInto("spnPOP3TimeOut", "90");
    Leave();
    EXPECT_EQ(Record().Pop3Timeout, 90) << "a time-out stays in the record";
    EXPECT_TRUE(dialogs.Errors.isEmpty());
}

TEST_F(AccountEditingTest, ClosingWritesTheFieldBeingEdited) {
    Select({"Settings", "Home"});
    TypeInto("txtUser", "bob");
    QSignalSpy quit(window.get(), &TfrmMain::quitRequested);
    Click("butClose");
    EXPECT_EQ(Text("POP3 User Name"), "bob");
    EXPECT_EQ(quit.count(), 1);
}

// A certificate that failed verification is shown in full; only the user's "Trust" pins it,
// for this account and this server.
TEST_F(AccountEditingTest, ARefusedCertificateIsPinnedOnlyWhenTheUserTrustsIt) {
    test::TestCertificates pki;
    const QSslCertificate certificate =
        QSslCertificate::fromPath(pki.SelfSigned("self", {"DNS:localhost"}).Cert).value(0);
    const QString fingerprint = CertificateFingerprint(certificate);
    dialogs.TrustAnswer = false;
    window->CertificateRefused(Record(), CertificateServer::Smtp, certificate);
    ASSERT_EQ(dialogs.Certificates.size(), 1);
    const QString shown = dialogs.Certificates.first();
    EXPECT_TRUE(shown.contains("SMTP server") && shown.contains("could not be verified"))
        << shown.toStdString();
    for (const QString& part :
         QStringList{"Subject: ", "Issuer: ", "Valid from ", "SHA-256: " + fingerprint}) {
        EXPECT_TRUE(shown.contains(part)) << part.toStdString();
    }
    EXPECT_EQ(Text("SMTP Certificate"), "<missing>");

    dialogs.TrustAnswer = true;
    window->CertificateRefused(Record(), CertificateServer::Smtp, certificate);
    EXPECT_EQ(Text("SMTP Certificate"), fingerprint);
    EXPECT_EQ(Record().SmtpCertificate, fingerprint);
    EXPECT_EQ(Text("POP3 Certificate"), "<missing>");
    // Offered again (the certificate changed since), the box says it is not the trusted one.
    window->CertificateRefused(Record(), CertificateServer::Smtp, certificate);
    EXPECT_TRUE(dialogs.Certificates.last().contains("is not the one you trusted"));
}

} // namespace
