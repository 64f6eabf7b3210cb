// The window's keyboard shortcuts, and the place on screen it is given back at the next start.
#include "MainPanels.h"
#include "TfrmMain.h"
#include "engine/ScreeningEngine.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/ImageButton.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>

namespace sievra {

namespace {

QShortcut* Shortcut(const QKeySequence& keys, QWidget* window, const QString& name) {
    auto* shortcut = new QShortcut(keys, window);
    shortcut->setObjectName(name);
    shortcut->setContext(Qt::WindowShortcut);
    return shortcut;
}

} // namespace

void TfrmMain::ConnectShortcuts() {
    const auto go = [this] {
        if (butGO->isEnabled()) {
            butGO->click();
        }
    };
    connect(Shortcut(QKeySequence(Qt::Key_F5), this, QStringLiteral("scGoF5")),
            &QShortcut::activated, this, go);
    connect(Shortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this, QStringLiteral("scGo")),
            &QShortcut::activated, this, go);
    // Only while a pass runs: otherwise Esc belongs to the fields (an edit in a list).
    abortShortcut_ = Shortcut(QKeySequence(Qt::Key_Escape), this, QStringLiteral("scAbort"));
    abortShortcut_->setEnabled(false);
    connect(abortShortcut_, &QShortcut::activated, this, [this] {
        if (butAbort->isEnabled()) {
            butAbort->click();
        }
    });
    connect(Shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this, QStringLiteral("scQuit")),
            &QShortcut::activated, this, [this] {
                CommitFocusedField();
                SaveWindowPlace();
                RequestQuit();
            });
}

// A stored place that no screen shows any more (a monitor unplugged) is not used.
bool TfrmMain::RestoreWindowPlace() {
    const auto product = store_.OpenKey(ProductKey);
    if (!product) {
        return false;
    }
    const QByteArray splitter =
        QByteArray::fromBase64(product->ReadText(GlobalValue::WindowSplitter).toLatin1());
    if (!splitter.isEmpty()) {
        splitter_->restoreState(splitter);
    }
    const QByteArray geometry =
        QByteArray::fromBase64(product->ReadText(GlobalValue::WindowGeometry).toLatin1());
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        return false;
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frameGeometry())) {
            return true;
        }
    }
    return false;
}

void TfrmMain::SaveWindowPlace() {
    const QString geometry = QString::fromLatin1(saveGeometry().toBase64());
    const QString splitter = QString::fromLatin1(splitter_->saveState().toBase64());
    WriteProduct([&](SettingsKey& key) {
        key.WriteText(GlobalValue::WindowGeometry, geometry);
        key.WriteText(GlobalValue::WindowSplitter, splitter);
    });
}

} // namespace sievra
