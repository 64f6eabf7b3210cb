#pragma once

#include "widgets/AccountForm.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QTreeWidget;

namespace sievra {

class EditListBox;
class ImageButton;
class LineMemo;
class PathLabel;
class PasswordEdit;
class SpinEdit;
class StatusList;

// The five panels of the main window. Each only builds and lays out its controls, named as
// the rest of the program and the tests know them; the window connects the handlers.

class GeneralPanel : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPanel(QWidget* parent = nullptr);

    QCheckBox* chkAuto;
    SpinEdit* spnInterval;
    QCheckBox* chkAutoLoad;
    QCheckBox* chkPreview;
    QCheckBox* chkBeep;
    QCheckBox* chkVisual;
    // The contact sources, each with what it gave at the last load, and the allowed senders.
    QListWidget* lstSources;
    ImageButton* butAddSourceFile;
    ImageButton* butAddSourceFolder;
    ImageButton* butRemoveSource;
    EditListBox* lstAllowed;
    ImageButton* butAddAllowed;
    ImageButton* butDeleteAllowed;
    PathLabel* lblEMailClient;
    ImageButton* butChangeEMailClient;
    // Where saved passwords live: 0 the desktop keyring, 1 the settings store.
    QComboBox* cboPasswordStorage;
    ImageButton* butClearEMailClient;

private:
    QHBoxLayout* BuildContactRow();
};

class MessagePanel : public QWidget {
    Q_OBJECT
public:
    explicit MessagePanel(QWidget* parent = nullptr);

    QLineEdit* txtSubject;
    LineMemo* memHeader;
    LineMemo* memFooter;
};

class StatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    QLabel* lblDateTime;
    StatusList* lstTasks;
    QLabel* lblStatus;
    QProgressBar* pbStatus;
};

// The account's name and active flag above its connection fields.
class AccountPanel : public AccountForm {
    Q_OBJECT
public:
    explicit AccountPanel(QWidget* parent = nullptr);

    QLineEdit* txtAccountName;
    QCheckBox* chkActive;
    // Says what an account lacks before it can be made active.
    QLabel* lblMissing;
};

class CodeWordsPanel : public QWidget {
    Q_OBJECT
public:
    explicit CodeWordsPanel(QWidget* parent = nullptr);

    EditListBox* lstCodes;
    ImageButton* butAdd;
    ImageButton* butDelete;
    EditListBox* lstHints;
    ImageButton* butAddHint;
    ImageButton* butDeleteHint;
    QCheckBox* chkRemember;
    QTreeWidget* lstLearned;
    ImageButton* butForgetLearned;
    ImageButton* butAllowLearned;

private:
    QGroupBox* BuildLearnedGroup();
};

// Colours of the image buttons, shared with the window's own buttons.
namespace ButtonColour {
inline constexpr unsigned Action = 0x2a6f97;
inline constexpr unsigned Go = 0x2e8b57;
inline constexpr unsigned Stop = 0xc0392b;
inline constexpr unsigned Quiet = 0x5d6d7e;
inline constexpr unsigned Remove = 0x9a5b5b;
} // namespace ButtonColour

// An image button of the window's look.
ImageButton* MakeImageButton(const QString& name, const QString& caption, const QString& hint,
                             unsigned colour, QSize size, QWidget* parent);

} // namespace sievra
