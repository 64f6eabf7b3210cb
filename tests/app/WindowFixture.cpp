#include "WindowFixture.h"

#include "TreePath.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

namespace sievra::test {

WindowFixture::WindowFixture()
    : store(std::make_unique<SettingsStore>()) {}

WindowFixture::~WindowFixture() {
    window.reset();
    store.reset();
}

SettingsKey WindowFixture::Product() {
    return *store->OpenKey(ProductKey, true);
}

SettingsKey WindowFixture::AccountKey(const QString& keyName) {
    return *store->OpenKey(AccountKeyPath(keyName), true);
}

void WindowFixture::WriteStandardStore() {
    auto p = Product();
    p.WriteText("Subject", "Your message was deleted!");
    p.WriteText("Header 1", "Your email message was deleted at the server because your email");
    p.WriteText("Footer 1", "(This message generated automatically by Sievra)");
    auto a = AccountKey();
    a.WriteFlag("Active", true);
    a.WriteText("Account Name", "Home");
    a.WriteText("POP3 Server", "pop.example.org");
    a.WriteText("POP3 Port", "110");
    a.WriteText("POP3 User Name", "alice");
    a.WriteNumber("POP3 Timeout", 60);
    a.WriteFlag("POP3 Tested", true);
    a.WriteText("SMTP Server", "smtp.example.org");
    a.WriteText("SMTP Port", "25");
    a.WriteText("SMTP EMail Address", "alice@example.org");
    a.WriteNumber("SMTP Timeout", 60);
    a.WriteFlag("SMTP Tested", true);
    store->OpenKey(AccountKeyPath("00000001") + "\\Code Words", true);
    store->OpenKey(AccountKeyPath("00000001") + "\\Hints", true);
}

bool WindowFixture::OpenWindow() {
    window = std::make_unique<TfrmMain>(*store, dialogs, minuteMs);
    if (!window->FormCreate()) {
        return false;
    }
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return true;
}

void WindowFixture::CloseWindow() {
    window.reset();
}

QTreeWidgetItem* WindowFixture::Node(const QStringList& path) {
    QTreeWidgetItem* node = FindNode(Tree(), path);
    if (node == nullptr) {
        ADD_FAILURE() << "no node " << path.join('/').toStdString();
    }
    return node;
}

void WindowFixture::Select(const QStringList& path) {
    QTreeWidgetItem* node = Node(path);
    ASSERT_NE(node, nullptr);
    QTreeWidget* tree = Tree();
    tree->scrollToItem(node);
    const QPoint centre = tree->visualItemRect(node).center();
    // A real click: the focus moves to the tree (ending any edit) before the selection does.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_EQ(tree->currentItem(), node);
}

void WindowFixture::TypeInto(const QString& field, const QString& text) {
    QWidget* widget = Find<QWidget>(field);
    ASSERT_NE(widget, nullptr);
    widget->setFocus();
    ASSERT_TRUE(widget->hasFocus()) << field.toStdString();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Delete);
    QTest::keyClicks(widget, text);
}

void WindowFixture::Leave() {
    Tree()->setFocus();
}

void WindowFixture::Click(const QString& name) {
    QWidget* widget = Find<QWidget>(name);
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << name.toStdString() << " is disabled";
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

QStringList WindowFixture::VisiblePanels() {
    QStringList visible;
    for (const char* name :
         {"pnlGeneral", "pnlMessage", "pnlStatus", "pnlAccount", "pnlCodeWords", "pnlHistory"}) {
        if (Find<QWidget>(name)->isVisible()) {
            visible.append(name);
        }
    }
    return visible;
}

std::optional<StoredValue> WindowFixture::Stored(const QString& keyPath, const QString& name) {
    SettingsStore reader(home.StorePath());
    const auto key = reader.OpenKey(keyPath);
    return key ? key->Read(name) : std::nullopt;
}

bool WindowFixture::StoredKeyExists(const QString& keyPath) {
    SettingsStore reader(home.StorePath());
    return reader.KeyExists(keyPath);
}

} // namespace sievra::test
