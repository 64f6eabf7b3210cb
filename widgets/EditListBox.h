#pragma once

#include <QListWidget>
#include <QPersistentModelIndex>
#include <functional>

class QLineEdit;

namespace sievra {

// A list of text entries edited in place. Double-click (or F2) opens a borderless field over
// the selected entry; Enter or moving the focus elsewhere takes its text, Esc drops it. The
// Delete key removes the selected entry. Any change sets the modified mark, which the owner
// reads when the focus leaves the list (Exited) to decide whether to save. An edit is kept
// trimmed; an empty one removes its entry, and one the entry check refuses is dropped with
// EntryRefused. Esc on an entry just added removes it again.
class EditListBox : public QListWidget {
    Q_OBJECT
public:
    explicit EditListBox(QWidget* parent = nullptr);

    // The text of an entry made by AddEntry ("New Code Word").
    void SetEntryTitle(const QString& title) { entryTitle_ = title; }
    QString EntryTitle() const { return entryTitle_; }
    // Says why an edited text cannot be kept ("" when it can); `others` are the other entries.
    using EntryCheck = std::function<QString(const QString& text, const QStringList& others)>;
    void SetEntryCheck(EntryCheck check) { check_ = std::move(check); }

    // Replaces the entries; nothing selected, modified mark cleared.
    void SetEntries(const QStringList& entries);
    QStringList Entries() const;

    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // -1 when nothing is selected.
    int SelectedIndex() const;
    void SelectIndex(int index);

    bool IsEditing() const { return editing_; }
    QLineEdit* Editor() const { return editor_; }
    // Starts editing the selected entry; sets the modified mark.
    void StartEdit();
    // Ends an edit in progress, keeping the field's text.
    void CommitEdit() { EndEdit(true); }
    // Appends an entry with the entry title, selects it, sets the mark and edits it.
    void AddEntry();
    // Removes the selected entry and sets the mark; selects the entry now at that position,
    // or the new last one.
    void DeleteSelected();

signals:
    // The focus went from the list (or its field) to another control of the window.
    void Exited();
    // An edit was dropped because the entry check refused it.
    void EntryRefused(const QString& reason);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EndEdit(bool keep);
    void FocusChanged(QWidget* old, QWidget* now);
    bool Owns(const QWidget* widget) const;
    // Takes the edited text into the entry; false when it was refused or empty.
    bool KeepEdit(QListWidgetItem* entry, QString* refusal);

    QString entryTitle_;
    EntryCheck check_;
    QLineEdit* editor_;
    // Follows the entry if others are removed meanwhile, and knows when it is gone itself.
    QPersistentModelIndex edited_;
    bool modified_ = false;
    bool modifiedBeforeEdit_ = false;
    bool editing_ = false;
    // The entry being edited was made by AddEntry: dropping the edit drops the entry.
    bool editingNewEntry_ = false;
    bool modifiedBeforeAdd_ = false;
};

} // namespace sievra
