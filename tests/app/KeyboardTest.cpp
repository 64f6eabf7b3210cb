// The main window without a mouse: Tab reaches every button, the shortcuts act, every control
// has a name a screen reader can say; and only one copy of the program runs.
#include "WindowFixture.h"
#include "app/SingleInstance.h"
#include "widgets/ImageButton.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace sievra;

namespace {

class KeyboardTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        ASSERT_TRUE(OpenWindow());
    }
    // The widgets Tab visits from the tree until it comes back to it.
    QList<QWidget*> TabWalk() {
        QList<QWidget*> visited;
        Tree()->setFocus();
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (now == Tree() || now == nullptr) {
                break;
            }
            visited.append(now);
        }
        return visited;
    }
};

TEST_F(KeyboardTest, TabReachesEveryButtonAndTheShortcutsAct) {
    Select({"Settings", "Home"});
    const QList<QWidget*> walk = TabWalk();
    QStringList order;
    for (QWidget* w : walk) {
        if (qobject_cast<ImageButton*>(w) != nullptr) {
            order.append(w->objectName());
        }
    }
    EXPECT_EQ(order, QStringList({"butAddAccount", "butDeleteAccount", "butGO", "butClose"}))
        << "Abort is off while no pass runs";
    EXPECT_TRUE(walk.contains(Find<QWidget>("txtHost")));

    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(window.get())) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }

    // Alt+A asks about a new account; the Delete question defaults to No.
    dialogs.ConfirmAnswer = false;
    // A mnemonic presses its button the way a click animates: a moment later.
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.Questions.size() == 1; }));
    QTest::keyClick(window.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.Questions.size() == 2; }));
    EXPECT_EQ(dialogs.Questions, QStringList({"Add a new account?", "Delete account \"Home\"?"}));
    EXPECT_EQ(dialogs.DefaultAnswers, QList<bool>({true, false}));

    // F5 is GO: the account has no password, so the warning comes and the password field
    // takes the focus.
    Select({"Message"});
    QTest::keyClick(window.get(), Qt::Key_F5);
    ASSERT_EQ(dialogs.Warnings.size(), 1);
    EXPECT_TRUE(dialogs.Warnings[0].startsWith("Account \"Home\" needs a password."));
    EXPECT_EQ(Tree()->currentItem(), Node({"Settings", "Home"}));
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("txtPWD"));
    QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(dialogs.Warnings.size(), 2) << "Ctrl+G is GO as well";

    QSignalSpy quit(window.get(), &TfrmMain::quitRequested);
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
}

TEST(SingleInstanceTest, ASecondCopyRaisesTheFirstAndStepsBack) {
    QTemporaryDir runtime;
    SingleInstance first(runtime.path());
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    {
        SingleInstance second(runtime.path());
        EXPECT_FALSE(second.Claim());
    }
    EXPECT_TRUE(raised.wait(2000));
    EXPECT_EQ(raised.count(), 1);
}

} // namespace
