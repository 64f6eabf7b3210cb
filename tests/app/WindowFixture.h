#pragma once

#include "RecordingDialogs.h"
#include "app/TfrmMain.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace sievra::test {

// A settings store in a private home, a main window over it, and helpers that act as the
// user does: select a node, type into a field, leave it.
class WindowFixture : public testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    // A product key with the given global values and an account "00000001" named "Home".
    void WriteStandardStore();
    SettingsKey Product();
    SettingsKey AccountKey(const QString& keyName = "00000001");

    // Creates the window over the store and shows it, active. False when FormCreate failed.
    bool OpenWindow();
    void CloseWindow();

    template <typename W> W* Find(const QString& name) {
        W* widget = window->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << "no control " << name.toStdString();
        return widget;
    }
    QTreeWidget* Tree() { return Find<QTreeWidget>("tvAccounts"); }
    // The node at a path of texts: {"Settings", "Home", "Code Words"}.
    QTreeWidgetItem* Node(const QStringList& path);
    void Select(const QStringList& path);
    // Focuses the field, replaces its text by typing, and does not leave it.
    void TypeInto(const QString& field, const QString& text);
    // Moves the focus to the tree, as a click on it would.
    void Leave();
    void Click(const QString& name);
    // The panels that are visible now, by object name.
    QStringList VisiblePanels();

    // Reads a value from the store file through a connection of its own.
    std::optional<StoredValue> Stored(const QString& keyPath, const QString& name);
    bool StoredKeyExists(const QString& keyPath);

    TestHome home;
    std::unique_ptr<SettingsStore> store;
    RecordingDialogs dialogs;
    std::unique_ptr<TfrmMain> window;
    // How long a minute of "Interval" lasts in the windows OpenWindow makes.
    int minuteMs = 60000;
};

} // namespace sievra::test
